// Layout and constants of the OLE property-set format, the format of the
// "\005SummaryInformation" and "\005DocumentSummaryInformation" streams.
//
// A property-set stream is little-endian throughout:
//
//   stream header (28 bytes)
//     uint16 byte order        0xFFFE
//     uint16 version           0, or 1 when the set uses the newer types
//     uint32 system identifier low word: OS version, high word: OS kind (2 = Windows)
//     GUID   class identifier  usually all zero
//     uint32 number of sections
//   section table: per section a GUID (its format identifier, FMTID) and the
//     uint32 offset of the section from the start of the stream
//   sections
//
//   section
//     uint32 size              bytes of the whole section, this field included
//     uint32 number of properties
//     per property: uint32 identifier (PID), uint32 offset from the section start
//     property values, each starting on a 4-byte boundary
//
//   property value (except the dictionary, PID 0, which has no type field)
//     uint16 type (VT_...), uint16 zero, then the value, zero-padded to 4 bytes
#pragma once

#include <array>
#include <cstdint>

namespace vellora2::compound {

// A GUID as stored: Data1 (4 bytes), Data2 and Data3 (2 bytes each) little-endian,
// then Data4 (8 bytes) as is.
struct Guid {
  std::array<uint8_t, 16> bytes{};

  friend bool operator==(const Guid&, const Guid&) = default;
};

// Builds the stored form of the GUID written {d1-d2-d3-d4[0]d4[1]-d4[2..7]}.
constexpr Guid MakeGuid(uint32_t d1, uint16_t d2, uint16_t d3, std::array<uint8_t, 8> d4) {
  Guid g;
  for (int i = 0; i < 4; ++i) g.bytes[i] = static_cast<uint8_t>(d1 >> (8 * i));
  for (int i = 0; i < 2; ++i) g.bytes[4 + i] = static_cast<uint8_t>(d2 >> (8 * i));
  for (int i = 0; i < 2; ++i) g.bytes[6 + i] = static_cast<uint8_t>(d3 >> (8 * i));
  for (int i = 0; i < 8; ++i) g.bytes[8 + i] = d4[i];
  return g;
}

namespace fmtid {
// {F29F85E0-4FF9-1068-AB91-08002B27B3D9}: the only section of "\005SummaryInformation".
inline constexpr Guid kSummaryInformation =
    MakeGuid(0xF29F85E0, 0x4FF9, 0x1068, {0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9});
// {D5CDD502-2E9C-101B-9397-08002B2CF9AE}: first section of "\005DocumentSummaryInformation".
inline constexpr Guid kDocSummaryInformation =
    MakeGuid(0xD5CDD502, 0x2E9C, 0x101B, {0x93, 0x97, 0x08, 0x00, 0x2B, 0x2C, 0xF9, 0xAE});
// {D5CDD505-2E9C-101B-9397-08002B2CF9AE}: second section of the same stream, which
// holds the user-defined properties and the dictionary that names them.
inline constexpr Guid kUserDefinedProperties =
    MakeGuid(0xD5CDD505, 0x2E9C, 0x101B, {0x93, 0x97, 0x08, 0x00, 0x2B, 0x2C, 0xF9, 0xAE});
}  // namespace fmtid

inline constexpr char16_t kSummaryInformationName[] = u"\u0005SummaryInformation";
inline constexpr char16_t kDocSummaryInformationName[] = u"\u0005DocumentSummaryInformation";

inline constexpr uint16_t kByteOrderMark = 0xFFFE;
inline constexpr uint32_t kStreamHeaderSize = 28;
inline constexpr uint32_t kSectionTableEntrySize = 20;  // FMTID and offset
inline constexpr uint32_t kSectionHeaderSize = 8;       // size and property count
inline constexpr uint32_t kPropertyTableEntrySize = 8;  // PID and offset
// Windows NT 5.0 ("Windows" in the high word): what readers expect to see.
inline constexpr uint32_t kSystemIdentifier = 0x00020005;

// Property types (VARENUM). A value's type word is one of these, possibly with
// kVtVector or kVtArray or'ed in.
enum PropertyType : uint16_t {
  kVtEmpty = 0x0000,
  kVtNull = 0x0001,
  kVtI2 = 0x0002,
  kVtI4 = 0x0003,
  kVtR4 = 0x0004,
  kVtR8 = 0x0005,
  kVtCy = 0x0006,
  kVtDate = 0x0007,
  kVtBstr = 0x0008,
  kVtError = 0x000A,
  kVtBool = 0x000B,
  kVtI1 = 0x0010,
  kVtUi1 = 0x0011,
  kVtUi2 = 0x0012,
  kVtUi4 = 0x0013,
  kVtI8 = 0x0014,
  kVtUi8 = 0x0015,
  kVtInt = 0x0016,
  kVtUint = 0x0017,
  kVtLpstr = 0x001E,   // CodePageString: uint32 byte count (terminator included), bytes
  kVtLpwstr = 0x001F,  // UnicodeString: uint32 character count (terminator included), UTF-16
  kVtFiletime = 0x0040,
  kVtVector = 0x1000,
  kVtArray = 0x2000,
};

// Property identifiers with a meaning in every section.
namespace pid {
inline constexpr uint32_t kDictionary = 0x00000000;  // names of the other properties
inline constexpr uint32_t kCodePage = 0x00000001;    // VT_I2: code page of 8-bit strings
inline constexpr uint32_t kLocale = 0x80000000;
inline constexpr uint32_t kBehavior = 0x80000003;    // VT_UI4: 1 = names are case-sensitive
// Identifiers from here on are reserved for the format; ordinary properties stay below.
inline constexpr uint32_t kFirstReserved = 0x80000000;
// First identifier free for a named property.
inline constexpr uint32_t kFirstNamed = 0x00000002;
// Office keeps the high byte of user-defined identifiers for links between two
// properties, so identifiers we hand out stay at or below this value.
inline constexpr uint32_t kLastUserDefined = 0x00FFFFFF;
}  // namespace pid

// Summary information (FMTID_SummaryInformation).
namespace pidsi {
inline constexpr uint32_t kTitle = 2;
inline constexpr uint32_t kSubject = 3;
inline constexpr uint32_t kAuthor = 4;
inline constexpr uint32_t kKeywords = 5;
inline constexpr uint32_t kComments = 6;
inline constexpr uint32_t kTemplate = 7;
inline constexpr uint32_t kLastAuthor = 8;
inline constexpr uint32_t kRevisionNumber = 9;
inline constexpr uint32_t kEditTime = 10;     // VT_FILETIME holding a duration in 100 ns ticks
inline constexpr uint32_t kLastPrinted = 11;  // VT_FILETIME
inline constexpr uint32_t kCreated = 12;      // VT_FILETIME
inline constexpr uint32_t kLastSaved = 13;    // VT_FILETIME
inline constexpr uint32_t kPageCount = 14;    // VT_I4
inline constexpr uint32_t kWordCount = 15;    // VT_I4
inline constexpr uint32_t kCharCount = 16;    // VT_I4
inline constexpr uint32_t kThumbnail = 17;
inline constexpr uint32_t kAppName = 18;
inline constexpr uint32_t kSecurity = 19;
}  // namespace pidsi

// Document summary information (FMTID_DocSummaryInformation).
namespace piddsi {
inline constexpr uint32_t kCategory = 2;
inline constexpr uint32_t kHeadingPairs = 12;  // VT_VECTOR | VT_VARIANT
inline constexpr uint32_t kDocParts = 13;      // VT_VECTOR | VT_LPSTR
inline constexpr uint32_t kManager = 14;
inline constexpr uint32_t kCompany = 15;
}  // namespace piddsi

namespace codepage {
inline constexpr uint16_t kWindows1252 = 1252;
inline constexpr uint16_t kUtf16 = 1200;  // strings and names stored as UTF-16
inline constexpr uint16_t kUtf8 = 65001;
}  // namespace codepage

}  // namespace vellora2::compound
