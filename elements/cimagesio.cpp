#include "vellora2/elements/cimagesio.hpp"

#include <vector>

#include "document/thread_state.hpp"
#include "elements/document_access.hpp"
#include "vellora2/automation/error.hpp"
#include "vellora2/elements/cfilesio.hpp"

namespace vellora2 {
namespace {

constexpr std::u16string_view kSource = u"Vellora2.CImagesIO";

constexpr std::u16string_view kImages = u"Images";

// The property-set streams ("\005SummaryInformation") are not pictures.
constexpr char16_t kPropertySetMark = 5;

}  // namespace

CImagesIO::CImagesIO() : class_debug_id_(NextClassDebugID()) {}

void CImagesIO::Store(const Picture& ImageObj, std::u16string_view Name) {
  try {
    RefuseIfReadOnly(kSource);
    Storage storage = elements::DocumentRoot(kSource).OpenStorage(kImages, elements::kEdit);
    Stream stream = storage.CreateStream(Name, STGM_CREATE | elements::kEdit);
    WriteObject(stream, ImageObj);
    dirty_ = true;
  } catch (const std::exception&) {
    // Pictures are a convenience of the host's: a failure to store one is
    // silent, and the host sees it by the picture's absence.
  }
}

void CImagesIO::StoreFile(std::u16string strFile, std::u16string_view Name) {
  {
    CFilesIO files;
    std::u16string element = std::u16string(kImages) + u"\\";
    element += Name;
    files.Import(strFile, element);
  }
  dirty_ = true;
}

std::shared_ptr<Picture> CImagesIO::Load(std::u16string_view Name) {
  try {
    Storage storage = elements::DocumentRoot(kSource).OpenStorage(kImages, elements::kBrowse);
    if (storage.ElementType(Name) != STGTY_STREAM) return nullptr;
    Stream stream = storage.OpenStream(Name, elements::kBrowse);
    return ReadObject(stream);
  } catch (const std::exception&) {
    return nullptr;
  }
}

void CImagesIO::Rename(std::u16string_view OldName, std::u16string_view NewName) {
  if (NewName == OldName || NewName.empty()) return;
  try {
    RefuseIfReadOnly(kSource);
    Storage storage = elements::DocumentRoot(kSource).OpenStorage(kImages, elements::kEditTransacted);
    if (storage.ElementType(OldName) == STGTY_STREAM) storage.RenameElement(OldName, NewName);
    storage.Commit(STGC_DEFAULT);
    dirty_ = true;
  } catch (const std::exception&) {
    // Silent, as Store is.
  }
}

Variant CImagesIO::EnumStreams() {
  try {
    Storage storage = elements::DocumentRoot(kSource).OpenStorage(kImages, elements::kBrowse);
    std::vector<std::u16string> names;
    int16_t type = 0;
    std::u16string name;
    for (storage.NextElement(0, type, name); type != 0; storage.NextElement(1, type, name)) {
      if (type == STGTY_STREAM && (name.empty() || name.front() != kPropertySetMark)) names.push_back(name);
    }
    if (names.empty()) return Variant();
    return Variant(StringArray(0, std::move(names)));
  } catch (const std::exception&) {
    return Variant();
  }
}

}  // namespace vellora2
