#include "vellora2/elements/chelpio.hpp"

#include "document/thread_state.hpp"
#include "elements/document_access.hpp"
#include "vellora2/automation/error.hpp"
#include "vellora2/elements/cfilesio.hpp"

namespace vellora2 {
namespace {

constexpr std::u16string_view kSource = u"Vellora2.CHelpIO";

constexpr std::u16string_view kHelp = u"Help";
constexpr std::u16string_view kHelpFile = u"QuiHelp.hlp";

}  // namespace

CHelpIO::CHelpIO() : class_debug_id_(NextClassDebugID()) {}

void CHelpIO::Import(std::u16string& FileLocation) {
  {
    CFilesIO files;
    std::u16string element = u"Help\\QuiHelp.hlp";
    files.Import(FileLocation, element);
  }
  dirty_ = true;
}

void CHelpIO::Import(std::u16string_view FileLocation) {
  std::u16string file(FileLocation);
  Import(file);
}

void CHelpIO::Export(std::u16string_view FileLocation) {
  try {
    CFilesIO files;
    files.Export(u"\\Help\\QuiHelp.hlp", FileLocation);
  } catch (const std::exception&) {
    // A help file that cannot be written out is not worth stopping the host for.
  }
}

void CHelpIO::Remove() {
  try {
    RefuseIfReadOnly(kSource);
    Storage storage = elements::DocumentRoot(kSource).OpenStorage(kHelp, elements::kEdit);
    storage.DestroyElement(kHelpFile);
    storage.Commit(STGC_DEFAULT);
    dirty_ = true;
  } catch (const std::exception&) {
    // Nothing to remove is the same as removed.
  }
}

bool CHelpIO::ExistFile() {
  Storage storage = elements::DocumentRoot(kSource).OpenStorage(kHelp, elements::kEdit);
  const bool exists = storage.ElementType(kHelpFile) == STGTY_STREAM;
  storage.Commit(STGC_DEFAULT);
  return exists;
}

}  // namespace vellora2
