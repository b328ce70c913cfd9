// CImagesIO: pictures stored in the document's "Images" storage.
// A CVellora creates one and hands it out; a host does not create its own.
#pragma once

#include <cstdint>

namespace vellora2 {

class CImagesIO {
 public:
  CImagesIO();
  CImagesIO(const CImagesIO&) = delete;
  CImagesIO& operator=(const CImagesIO&) = delete;

  bool Dirty() const { return dirty_; }
  void Dirty(bool value) { dirty_ = value; }
  int32_t ClassDebugID() const { return class_debug_id_; }

 private:
  int32_t class_debug_id_;
  bool dirty_ = false;
};

}  // namespace vellora2
