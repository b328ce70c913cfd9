// GUtility's file members: existence tests and whole-file reads and writes, one
// byte per character of Windows-1252.
#include <cstdint>
#include <new>
#include <string>

#include "util/errors.hpp"
#include "vellora2/automation/error.hpp"
#include "vellora2/automation/text.hpp"
#include "vellora2/platform/platform.hpp"
#include "vellora2/util/gutility.hpp"

namespace vellora2 {
namespace {

constexpr int32_t kDirectoryAttribute = 16;

}  // namespace

bool GUtility::ExistFile(std::u16string_view sSpec) {
  const int32_t attributes = CurrentPlatform().FileAttributes(sSpec);
  return attributes != -1 && (attributes & kDirectoryAttribute) == 0;
}

bool GUtility::ExistFileDir(std::u16string_view sSpec) { return CurrentPlatform().FileAttributes(sSpec) != -1; }

bool GUtility::Exists(std::u16string_view sSpec) {
  // An empty listing pattern would list the current folder, which always holds
  // ".": a True that no caller asking about "" could mean.
  if (sSpec.empty()) return false;
  return !CurrentPlatform().ListFiles(sSpec, true).empty();
}

std::u16string GUtility::GetFileText(std::u16string_view sFileName) {
  if (!ExistFile(sFileName)) RaiseUtilityError(rt::kFileNotFound);
  std::string bytes;
  if (const int32_t error = CurrentPlatform().ReadFile(sFileName, SIZE_MAX, bytes)) RaiseUtilityError(error);
  return FromAnsi(bytes);
}

bool GUtility::IsRTF(std::u16string_view sFileName) {
  if (!ExistFile(sFileName)) return false;
  std::string head;
  if (const int32_t error = CurrentPlatform().ReadFile(sFileName, 5, head)) RaiseUtilityError(error);
  return head == "{\\rtf";
}

void GUtility::SaveFileStr(std::u16string_view sFile, std::u16string_view sContent) {
  if (const int32_t error = CurrentPlatform().WriteFile(sFile, ToAnsi(sContent))) RaiseUtilityError(error);
}

int32_t GUtility::SaveFileText(std::u16string_view sFileName, std::u16string_view sText) {
  try {
    return CurrentPlatform().WriteFile(sFileName, ToAnsi(sText) + "\r\n");
  } catch (const std::bad_alloc&) {
    return rt::kOutOfMemory;
  }
}

}  // namespace vellora2
