// Salvage over the engine's file interface, so that tests and the fuzz target
// can work on files kept in memory. The public side is
// include/vellora2/compound/salvage.hpp.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "compound/file.hpp"
#include "vellora2/compound/salvage.hpp"

namespace vellora2::compound {

struct SalvageState {
  // Where each recovered stream's bytes lie in the file: one offset per unit
  // (a sector, or a mini sector of a small stream), in stream order.
  struct Source {
    uint32_t unit = 0;
    std::vector<uint64_t> offsets;
  };
  std::shared_ptr<File> file;
  std::vector<SalvagedElement> elements;
  std::vector<Source> sources;  // one per element; empty for storages
  std::vector<std::string> problems;
  bool entries_lost = false;
};

SalvagedFile SalvageFile(std::shared_ptr<File> file);

}  // namespace vellora2::compound
