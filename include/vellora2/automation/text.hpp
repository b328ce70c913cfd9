// Text at the Automation interface is UTF-16. Text on disk, in streams and in
// byte arrays is one byte per character in the system code page, Windows-1252.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vellora2 {

// UTF-16 to Windows-1252: a character the code page has no byte for becomes "?".
std::string ToAnsi(std::u16string_view text);
// Windows-1252 to UTF-16. The five bytes the code page leaves undefined map to the
// C1 control of the same value, so every byte survives a round trip.
std::u16string FromAnsi(std::string_view bytes);

// UTF-16 to UTF-8 for the operating system. A lone U+DC80-U+DCFF is the byte
// 0x80-0xFF that FromUtf8 could not decode, written back as that byte; any other
// unpaired surrogate becomes U+FFFD.
std::string ToUtf8(std::u16string_view text);
// UTF-8 to UTF-16. Each byte of a malformed sequence becomes a lone surrogate
// U+DC80-U+DCFF, so that ToUtf8 restores a file name that is not UTF-8 byte
// for byte.
std::u16string FromUtf8(std::string_view text);

// Literal helpers for code that is clearer with plain ASCII literals.
inline std::u16string U16(std::string_view ascii) { return {ascii.begin(), ascii.end()}; }

// The runtime's case rules for the Latin-1 and Windows-1252 letters.
char16_t ToUpper(char16_t c);
char16_t ToLower(char16_t c);
std::u16string ToUpper(std::u16string_view text);
std::u16string ToLower(std::u16string_view text);

}  // namespace vellora2
