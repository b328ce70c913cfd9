// GUtility's path members: the text algorithms over full paths, and the members
// that ask the operating system for full paths, searches and temporary files.
#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "util/errors.hpp"
#include "vellora2/automation/error.hpp"
#include "vellora2/automation/text.hpp"
#include "vellora2/platform/platform.hpp"
#include "vellora2/util/gutility.hpp"

namespace vellora2 {
namespace {

// The platform's codes that the path members hand to the error hook.
constexpr int32_t kInvalidParameter = 87;
constexpr int32_t kBadPathName = 161;

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

// The separator a path already uses (its last one), so that what we add matches.
char16_t SeparatorOf(std::u16string_view path) {
  const size_t last = path.find_last_of(u"\\/");
  return last == std::u16string_view::npos ? u'\\' : path[last];
}

// The character at 1-based `pos`; position 0 does not exist, and asking for it is
// the invalid-argument error that a path without root or separator ends in.
char16_t CharAt(std::u16string_view p, int32_t pos) {
  if (pos < 1) RaiseUtilityError(rt::kInvalidCall);
  return static_cast<size_t>(pos) <= p.size() ? p[static_cast<size_t>(pos - 1)] : u'\0';
}

bool IsDriveRoot(std::u16string_view p) {
  return p.size() >= 3 && ((p[0] >= u'A' && p[0] <= u'Z') || (p[0] >= u'a' && p[0] <= u'z')) && p[1] == u':' &&
         IsSeparator(p[2]);
}

// Length of the "\\server\share" prefix of a network path, or 0 when `p` is not one.
size_t NetworkRootLength(std::u16string_view p) {
  if (p.size() < 3 || p[0] != u'\\' || p[1] != u'\\' || IsSeparator(p[2])) return 0;
  const size_t server_end = p.find_first_of(u"\\/", 2);
  if (server_end == std::u16string_view::npos || server_end + 1 >= p.size() || IsSeparator(p[server_end + 1])) return 0;
  const size_t share_end = p.find_first_of(u"\\/", server_end + 1);
  return share_end == std::u16string_view::npos ? p.size() : share_end;
}

// The full form of a drive or network path, worked out as text as the platform's
// full-path call does: "." dropped, ".." taking back one folder but never the root,
// doubled separators merged, the root's separator used throughout. nullopt for any
// other path, which the operating system resolves.
std::optional<std::u16string> ResolveWindowsPath(std::u16string_view path) {
  size_t root_length = 0;
  char16_t sep = u'\\';
  if (IsDriveRoot(path)) {
    root_length = 2;
    sep = path[2];
  } else if (const size_t n = NetworkRootLength(path)) {
    root_length = n;
  } else {
    return std::nullopt;
  }
  std::vector<std::u16string_view> folders;
  size_t start = root_length;
  while (start < path.size()) {
    size_t end = path.find_first_of(u"\\/", start);
    if (end == std::u16string_view::npos) end = path.size();
    const std::u16string_view part = path.substr(start, end - start);
    if (part == u"..") {
      if (!folders.empty()) folders.pop_back();
    } else if (!part.empty() && part != u".") {
      folders.push_back(part);
    }
    start = end + 1;
  }
  std::u16string full(path.substr(0, root_length));
  full += sep;
  for (size_t i = 0; i < folders.size(); ++i) {
    if (i > 0) full += sep;
    full += folders[i];
  }
  if (!folders.empty() && IsSeparator(path.back())) full += sep;
  return full;
}

// Finds in full path `p` the root separator (DirPart, kept when no root is
// recognised), the start of the file name (FilePart) and the extension's dot
// (ExtPart, Len + 1 without one).
void ParsePathParts(std::u16string_view p, int32_t& file_part, int32_t& dir_part, int32_t& ext_part) {
  const int32_t n = static_cast<int32_t>(p.size());
  if (n == 0) RaiseUtilityError(rt::kInvalidCall);
  const char16_t first = p[0];
  const char16_t k = ToUpper(first);
  if (first == u'/') {
    dir_part = 1;
  } else if (k > u'Z') {
    // Only the network form starts above the letters; anything else is a bad
    // path name, which the hook hears of while the scan goes on.
    if (first != u'\\') RaiseApiError(kBadPathName);
    if (CharAt(p, 2) != u'\\') RaiseApiError(kBadPathName);
    bool server_seen = false;
    for (int32_t i = 3; i <= n - 1; ++i) {
      if (!IsSeparator(CharAt(p, i))) continue;
      if (server_seen) {
        dir_part = i;
        break;
      }
      server_seen = true;
    }
  } else if (k >= u'A') {
    if (CharAt(p, 2) == u':' && IsSeparator(CharAt(p, 3))) dir_part = 3;
  }

  ext_part = n + 1;
  bool dot_seen = false;
  int32_t i = n;
  for (; i >= dir_part; --i) {
    const char16_t c = CharAt(p, i);
    if (!dot_seen && c == u'.') {
      dot_seen = true;
      ext_part = i;
    }
    if (IsSeparator(c)) break;
  }
  file_part = i + 1;
}

// Mid$(p, start, length) for the positions ParsePathParts gives.
std::u16string Mid(std::u16string_view p, int32_t start, int32_t length) {
  if (start < 1 || length <= 0 || static_cast<size_t>(start) > p.size()) return {};
  return std::u16string(p.substr(static_cast<size_t>(start - 1), static_cast<size_t>(length)));
}

}  // namespace

std::u16string GUtility::NormalizePath(std::u16string_view sPath) {
  if (sPath.empty()) return u"\\";
  std::u16string path(sPath);
  if (!IsSeparator(path.back())) path += SeparatorOf(path);
  return path;
}

void GUtility::DenormalizePath(Variant& sPath) {
  std::u16string text = sPath.ToString();
  if (text.empty() || !IsSeparator(text.back())) return;
  text.pop_back();
  sPath = Variant(std::move(text));
}

int16_t GUtility::GetExtPos(std::u16string_view sSpec) {
  const size_t n = sSpec.size();
  if (n + 1 > 32767) RaiseUtilityError(rt::kOverflow);
  for (size_t i = n; i > 0; --i) {
    if (sSpec[i - 1] == u'.') return static_cast<int16_t>(i);
    if (IsSeparator(sSpec[i - 1])) return static_cast<int16_t>(n + 1);
  }
  return 0;
}

std::u16string GUtility::GetFullPath(std::u16string_view sFileName) {
  int32_t file_part = 0, ext_part = 0, dir_part = 0;
  return GetFullPath(sFileName, file_part, ext_part, dir_part);
}

std::u16string GUtility::GetFullPath(std::u16string_view sFileName, int32_t& FilePart, int32_t& ExtPart,
                                     int32_t& DirPart) {
  if (sFileName.empty()) return {};
  std::optional<std::u16string> full = ResolveWindowsPath(sFileName);
  if (!full) {
    Platform& platform = CurrentPlatform();
    full = platform.FullPath(sFileName);
    if (!full) RaiseApiError(platform.LastError());
  }
  std::u16string p = full.value_or(u"");
  ParsePathParts(p, FilePart, DirPart, ExtPart);
  return p;
}

std::u16string GUtility::GetFileBase(std::u16string_view sFile) {
  if (sFile.empty()) return {};
  int32_t file_part = 0, ext_part = 0, dir_part = 0;
  const std::u16string p = GetFullPath(sFile, file_part, ext_part, dir_part);
  return Mid(p, file_part, ext_part - file_part);
}

std::u16string GUtility::GetFileBaseExt(std::u16string_view sFile) {
  if (sFile.empty()) return {};
  int32_t file_part = 0, ext_part = 0, dir_part = 0;
  const std::u16string p = GetFullPath(sFile, file_part, ext_part, dir_part);
  return Mid(p, file_part, static_cast<int32_t>(p.size()));
}

std::u16string GUtility::GetFileExt(std::u16string_view sFile) {
  if (sFile.empty()) return {};
  int32_t file_part = 0, ext_part = 0, dir_part = 0;
  const std::u16string p = GetFullPath(sFile, file_part, ext_part, dir_part);
  return Mid(p, ext_part, static_cast<int32_t>(p.size()));
}

std::u16string GUtility::GetFileDir(std::u16string_view sFile) {
  if (sFile.empty()) return {};
  int32_t file_part = 0, ext_part = 0, dir_part = 0;
  const std::u16string p = GetFullPath(sFile, file_part, ext_part, dir_part);
  return Mid(p, 1, file_part - 1);
}

std::u16string GUtility::GetFileFullSpec(std::u16string_view sFile) {
  if (sFile.empty()) return {};
  return GetFullPath(sFile);
}

std::u16string GUtility::SearchDirs(std::u16string_view sFileName, std::u16string_view Ext, std::u16string_view Path) {
  int32_t file_part = 0, ext_part = 0, dir_part = 0;
  return SearchDirs(sFileName, Ext, Path, file_part, ext_part, dir_part);
}

std::u16string GUtility::SearchDirs(std::u16string_view sFileName, std::u16string_view Ext, std::u16string_view Path,
                                    int32_t& FilePart, int32_t& ExtPart, int32_t& DirPart) {
  constexpr int32_t kFileNotFound = 2;
  if (sFileName.empty()) RaiseApiError(kInvalidParameter);
  Platform& platform = CurrentPlatform();
  const std::optional<std::u16string> found = platform.SearchPath(Path, sFileName, Ext);
  if (!found) {
    const int32_t code = platform.LastError();
    if (code == kFileNotFound) return {};
    RaiseApiError(code);
  }
  std::u16string p = found.value_or(u"");
  ParsePathParts(p, FilePart, DirPart, ExtPart);
  return p;
}

std::u16string GUtility::SearchForExe(std::u16string_view sName) {
  // The platform's program extensions first, in their order of precedence; then
  // the bare name, which is how Linux names its programs.
  static constexpr std::array<std::u16string_view, 6> kExtensions{u".EXE", u".COM", u".PIF", u".BAT", u".CMD", u""};
  for (const std::u16string_view ext : kExtensions) {
    std::u16string found = SearchDirs(sName, ext, {});
    if (!found.empty()) return found;
  }
  return {};
}

std::u16string GUtility::GetTempDir() {
  Platform& platform = CurrentPlatform();
  std::u16string dir = platform.TempFolder();
  if (dir.empty()) RaiseApiError(platform.LastError());
  return dir;
}

std::u16string GUtility::GetTempFile(std::u16string_view Prefix) {
  std::u16string path_name;
  return GetTempFile(Prefix, path_name);
}

std::u16string GUtility::GetTempFile(std::u16string_view Prefix, std::u16string& PathName) {
  if (PathName.empty()) PathName = GetTempDir();
  Platform& platform = CurrentPlatform();
  const std::optional<std::u16string> created = platform.CreateTempFile(PathName, Prefix);
  // Only a failure's code: the platform may leave an older one behind on success.
  if (!created) RaiseApiErrorIf(platform.LastError());
  std::u16string name = created.value_or(u"");
  name.resize(std::min(name.size(), name.find(u'\0')));
  return GetFullPath(name);
}

std::u16string GUtility::ExpandEnvStr(std::u16string_view sData) { return CurrentPlatform().ExpandEnvironment(sData); }

std::u16string GUtility::GetLabel(std::u16string_view sRoot) {
  return CurrentPlatform().VolumeLabel(sRoot).value_or(u"");
}

}  // namespace vellora2
