// What every implementation of the common dialogs shares: reading a record's
// filter list, writing chosen files back in the record's format, and the table
// of paper sizes between device-mode codes and printing-system names.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "vellora2/platform/dialog_records.hpp"

namespace vellora2::dialog {

// The text of a NUL-padded buffer, up to its first NUL.
std::u16string BufferText(std::u16string_view buffer);
// `text` NUL-padded (or cut) to `size` characters, as a record's buffer holds it.
std::u16string ToBuffer(std::u16string_view text, size_t size);

struct Filter {
  std::u16string description;
  std::vector<std::u16string> patterns;  // blanks trimmed, never empty
};
// The pairs of a record's filter list; a pair without a pattern is dropped.
std::vector<Filter> ParseFilter(std::u16string_view list);
// Whether the file name `name` matches a pattern, ignoring case. "*.*" matches
// every name, with or without a dot, as it always has on the original platform.
bool MatchesFilter(std::u16string_view name, const Filter& filter);
// The 1-based index of the first filter `name` matches; `current` when none does.
uint32_t FilterIndexFor(std::u16string_view name, const std::vector<Filter>& filters, uint32_t current);

// `path` with "." and `extension` added when its name has no extension.
std::u16string WithDefaultExtension(std::u16string_view path, std::u16string_view extension);

// Writes the chosen files (full paths, all in one folder) into lpstrFile and
// lpstrFileTitle with nFileOffset, nFileExtension and OFN_EXTENSIONDIFFERENT.
// Several files need OFN_ALLOWMULTISELECT and are written as the flags ask
// (OFN_EXPLORER: NUL-separated; otherwise the older space-separated form).
// Returns 0, or FNERR_BUFFERTOOSMALL when the text does not fit the buffer.
uint32_t StoreChosenFiles(OpenFileNameRecord& record, const std::vector<std::u16string>& paths);

// The file-name part of `path` (after the last "/" or "\").
std::u16string_view FileNameOf(std::u16string_view path);

// COLORREF (0x00BBGGRR) from and to "#RRGGBB".
std::u16string FormatColor(uint32_t colorref);
bool ParseColor(std::u16string_view text, uint32_t& colorref);

struct Paper {
  int16_t code;      // the device mode's paper code
  const char* name;  // the printing system's (PWG) name
  double width_mm;
  double height_mm;
};
std::span<const Paper> Papers();
// nullptr when the code or name is not in the table.
const Paper* PaperByCode(int16_t code);
const Paper* PaperByName(std::string_view name);
// The entry of the same size (either way round, within a millimetre); nullptr when none.
const Paper* PaperBySize(double width_mm, double height_mm);

}  // namespace vellora2::dialog
