// CImagesIO: pictures stored in the document's "Images" storage, one stream per
// picture, named by the host. A CVellora creates one and hands it out; a host
// does not create its own.
//
// Store, Load, Rename and EnumStreams never raise: a failure leaves them with
// their default result (nothing, Empty) and the dirty flag as it was.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "vellora2/automation/variant.hpp"
#include "vellora2/elements/picture.hpp"

namespace vellora2 {

class CImagesIO {
 public:
  CImagesIO();
  CImagesIO(const CImagesIO&) = delete;
  CImagesIO& operator=(const CImagesIO&) = delete;

  bool Dirty() const { return dirty_; }
  void Dirty(bool value) { dirty_ = value; }
  int32_t ClassDebugID() const { return class_debug_id_; }

  // Writes the picture as the stream `Name` of "Images", replacing one of that
  // name. The change waits for the document to be saved. Needs the storage
  // "Images", which a new document has.
  void Store(const Picture& ImageObj, std::u16string_view Name);
  // Imports the disk file's bytes as the picture `Name` (through CFilesIO, whose
  // errors reach the caller); "Images" is created when missing.
  void StoreFile(std::u16string strFile, std::u16string_view Name);
  // The picture `Name`, whether stored by Store or by StoreFile; nullptr when
  // there is none or it cannot be read.
  std::shared_ptr<Picture> Load(std::u16string_view Name);
  // Renames a picture; nothing at all when the names are equal or NewName is
  // empty. Marks the object dirty even when there is no picture `OldName`.
  void Rename(std::u16string_view OldName, std::u16string_view NewName);
  // The pictures' names (String array, lower bound 0), or Empty.
  Variant EnumStreams();

 private:
  int32_t class_debug_id_;
  bool dirty_ = false;
};

}  // namespace vellora2
