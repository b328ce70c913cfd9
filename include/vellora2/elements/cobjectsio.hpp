// CObjectsIO: a place for objects kept in the document. It has only the members
// every element object has, so that CVellora treats all four alike.
// A CVellora creates one and hands it out; a host does not create its own.
#pragma once

#include <cstdint>

namespace vellora2 {

class CObjectsIO {
 public:
  CObjectsIO();
  CObjectsIO(const CObjectsIO&) = delete;
  CObjectsIO& operator=(const CObjectsIO&) = delete;

  bool Dirty() const { return dirty_; }
  void Dirty(bool value) { dirty_ = value; }
  int32_t ClassDebugID() const { return class_debug_id_; }

 private:
  int32_t class_debug_id_;
  bool dirty_ = false;
};

}  // namespace vellora2
