// The runtime's random-number generator: a 24-bit linear congruential generator
// with one state per thread, so that every GUtility on a thread draws from the
// same sequence, as they would from the runtime's single generator.
#pragma once

#include <cstdint>

namespace vellora2 {

class RandomGenerator {
 public:
  // The next value, uniform in [0, 1) with 24 bits.
  float Next();
  // The rules of Rnd(number): a negative number restarts from a state determined
  // by that number and gives the first value after it (so always the same value);
  // 0 repeats the last value; a positive number gives the next one.
  float Rnd(double number);
  // A state determined by `number` alone, so equal numbers replay equal sequences.
  void Seed(double number);

 private:
  float Current() const;

  // The runtime's start state, before anything has reseeded it.
  uint32_t state_ = 0x50000;
};

// The calling thread's generator.
RandomGenerator& ThreadRandom();

}  // namespace vellora2
