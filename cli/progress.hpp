// A progress bar on standard error for long copies, drawn only on a terminal.
#pragma once

#include <cstdint>
#include <string>

namespace vellora2::cli {

class Progress {
 public:
  // Shows nothing unless stderr is a terminal and `total` is at least `threshold` bytes.
  Progress(std::string label, uint64_t total, uint64_t threshold = 8u << 20);
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;
  ~Progress();

  void Update(uint64_t done);

 private:
  void Draw(uint64_t done);

  std::string label_;
  uint64_t total_;
  bool shown_;
  int last_permille_ = -1;
};

}  // namespace vellora2::cli
