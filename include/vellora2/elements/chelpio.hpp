// CHelpIO: the host's help file, kept inside the document as the stream
// "QuiHelp.hlp" of the storage "Help". A CVellora creates one and hands it out;
// a host does not create its own.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vellora2 {

class CHelpIO {
 public:
  CHelpIO();
  CHelpIO(const CHelpIO&) = delete;
  CHelpIO& operator=(const CHelpIO&) = delete;

  bool Dirty() const { return dirty_; }
  void Dirty(bool value) { dirty_ = value; }
  int32_t ClassDebugID() const { return class_debug_id_; }

  // Copies the disk file in, replacing the help file there; "Help" is created
  // when missing. CFilesIO.Import's errors reach the caller (a missing file sets
  // `FileLocation` to its full path and raises 53).
  void Import(std::u16string& FileLocation);
  void Import(std::u16string_view FileLocation);
  // Copies the help file out to a new disk file. Never raises: an existing
  // target, a missing folder or a missing help file leave things as they were.
  void Export(std::u16string_view FileLocation);
  // Deletes the help file. Never raises.
  void Remove();
  // Whether the document holds a help file; the engine's error when the
  // storage "Help" is missing or no document is open.
  bool ExistFile();

 private:
  int32_t class_debug_id_;
  bool dirty_ = false;
};

}  // namespace vellora2
