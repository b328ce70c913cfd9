// The open, save and file-title members of GCommonDialog.
#include "dialogs/dialog_support.hpp"
#include "vellora2/automation/error.hpp"
#include "vellora2/dialogs/gcommondialog.hpp"

namespace vellora2 {
namespace {

// The platform acts on these bits by the values it knows them by.
static_assert(OFN_READONLY == cdlg::kOfnReadOnly && OFN_ALLOWMULTISELECT == cdlg::kOfnAllowMultiSelect &&
              OFN_OVERWRITEPROMPT == cdlg::kOfnOverwritePrompt && OFN_FILEMUSTEXIST == cdlg::kOfnFileMustExist &&
              OFN_HIDEREADONLY == cdlg::kOfnHideReadOnly && OFN_EXPLORER == cdlg::kOfnExplorer &&
              OFN_EXTENSIONDIFFERENT == cdlg::kOfnExtensionDifferent);

// The platform's path limit, which sizes both file buffers.
constexpr size_t kMaxPath = 260;

// "desc|pattern|desc|pattern" (or with ":") as the platform's list of pairs:
// every separator becomes a NUL and the list ends with two more.
std::u16string ConvertFilter(std::u16string_view filter) {
  std::u16string list;
  list.reserve(filter.size() + 2);
  for (char16_t c : filter) list.push_back(c == u'|' || c == u':' ? u'\0' : c);
  list.append(2, u'\0');
  return list;
}

// Description, NUL and pattern of pair `n` (1-based) of a converted filter; ""
// when there is no such pair.
std::u16string SelectedFilterPair(std::u16string_view list, int32_t n) {
  if (list.empty()) return {};
  size_t start = 0;
  for (;;) {
    const size_t description_end = list.find(u'\0', start);
    if (description_end == std::u16string_view::npos) return {};
    const size_t pattern_end = list.find(u'\0', description_end + 1);
    if (pattern_end == std::u16string_view::npos) return {};
    if (n == 1) return std::u16string(list.substr(start, pattern_end - start));
    if (n < 1) return {};
    --n;
    start = pattern_end + 1;
  }
}

std::u16string FileBuffer(std::u16string_view text) {
  if (text.size() > kMaxPath) Raise(rt::kInvalidCall, dialogs::ErrorSource());
  std::u16string buffer(text);
  buffer.resize(kMaxPath, u'\0');
  return buffer;
}

OpenFileNameRecord FileRecord(std::u16string_view file_name, std::u16string_view file_title,
                              const std::u16string& filter_list, int32_t filter_index, std::u16string_view init_dir,
                              std::u16string_view title, std::u16string_view default_ext, int32_t owner,
                              int32_t flags) {
  OpenFileNameRecord record;
  record.hwndOwner = owner == -1 ? 0 : owner;
  record.lpstrFilter = filter_list;
  record.nFilterIndex = static_cast<uint32_t>(filter_index);
  record.lpstrFile = FileBuffer(file_name);
  record.nMaxFile = kMaxPath;
  record.lpstrFileTitle = FileBuffer(file_title);
  record.nMaxFileTitle = kMaxPath;
  record.lpstrInitialDir = init_dir;
  record.lpstrTitle = title;
  record.Flags = static_cast<uint32_t>(flags);
  record.lpstrDefExt = default_ext;
  return record;
}

// The results both file dialogs copy back; false after a cancel or a failure,
// with the resets that the open and the save dialog share.
bool CopyBack(bool confirmed, const OpenFileNameRecord& record, const std::u16string& filter_list,
              std::u16string& file_name, std::u16string& file_title, std::u16string& filter, int32_t& filter_index,
              int32_t& flags) {
  if (!confirmed) {
    file_name.clear();
    file_title.clear();
    filter.clear();
    flags = 0;
    return false;
  }
  file_name = dialogs::StrZToStr(record.lpstrFile);
  file_title = dialogs::StrZToStr(record.lpstrFileTitle);
  flags = static_cast<int32_t>(record.Flags);
  filter_index = static_cast<int32_t>(record.nFilterIndex);
  filter = SelectedFilterPair(filter_list, filter_index);
  return true;
}

// Hook procedures and dialog templates cannot be supplied through this class.
constexpr int32_t kUnsupportedFileFlags = OFN_ENABLEHOOK | OFN_ENABLETEMPLATE;

}  // namespace

bool GCommonDialog::VBGetOpenFileName(std::u16string& FileName, ByRef<std::u16string> FileTitle, bool FileMustExist,
                                      bool MultiSelect, ByRef<bool> ReadOnly, bool HideReadOnly,
                                      ByRef<std::u16string> filter, ByRef<int32_t> FilterIndex,
                                      std::u16string_view InitDir, std::u16string_view DlgTitle,
                                      std::u16string_view DefaultExt, int32_t Owner, ByRef<int32_t> Flags) {
  Platform& platform = CurrentPlatform();
  dialogs::PointerScope pointer(platform, kPointerDefault);
  const int32_t flags = (FileMustExist ? OFN_FILEMUSTEXIST : 0) | (MultiSelect ? OFN_ALLOWMULTISELECT : 0) |
                        (*ReadOnly ? OFN_READONLY : 0) | (HideReadOnly ? OFN_HIDEREADONLY : 0) |
                        (*Flags & ~kUnsupportedFileFlags);
  const std::u16string filter_list = ConvertFilter(*filter);
  OpenFileNameRecord record =
      FileRecord(FileName, *FileTitle, filter_list, *FilterIndex, InitDir, DlgTitle, DefaultExt, Owner, flags);
  const bool confirmed = platform.GetOpenFileName(record);
  if (!CopyBack(confirmed, record, filter_list, FileName, *FileTitle, *filter, *FilterIndex, *Flags)) {
    *FilterIndex = -1;
    return false;
  }
  if (record.Flags & cdlg::kOfnReadOnly) *ReadOnly = true;
  return true;
}

bool GCommonDialog::VBGetSaveFileName(std::u16string& FileName, ByRef<std::u16string> FileTitle, bool OverWritePrompt,
                                      ByRef<std::u16string> filter, ByRef<int32_t> FilterIndex,
                                      std::u16string_view InitDir, std::u16string_view DlgTitle,
                                      std::u16string_view DefaultExt, int32_t Owner, ByRef<int32_t> Flags) {
  Platform& platform = CurrentPlatform();
  dialogs::PointerScope pointer(platform, kPointerArrowHourglass);
  const int32_t flags =
      (OverWritePrompt ? OFN_OVERWRITEPROMPT : 0) | OFN_HIDEREADONLY | (*Flags & ~kUnsupportedFileFlags);
  const std::u16string filter_list = ConvertFilter(*filter);
  OpenFileNameRecord record =
      FileRecord(FileName, *FileTitle, filter_list, *FilterIndex, InitDir, DlgTitle, DefaultExt, Owner, flags);
  const bool confirmed = platform.GetSaveFileName(record);
  if (!CopyBack(confirmed, record, filter_list, FileName, *FileTitle, *filter, *FilterIndex, *Flags)) {
    *FilterIndex = 0;
    return false;
  }
  return true;
}

std::u16string GCommonDialog::VBGetFileTitle(std::u16string_view sFile) {
  std::u16string buffer(kMaxPath, u'\0');
  if (CurrentPlatform().GetFileTitle(sFile, buffer) != 0) return {};
  return dialogs::StrZToStr(buffer);
}

}  // namespace vellora2
