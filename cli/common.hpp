// Helpers that every command of the vellora tool shares: errors, element paths,
// names shown to the user, and new disk files that appear whole or not at all.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "vellora2/compound/stgm.hpp"

namespace vellora2::cli {

inline constexpr int32_t kRootRead = STGM_READ | STGM_SHARE_DENY_WRITE;
// Changes go to a snapshot and reach the file in one crash-safe commit.
inline constexpr int32_t kRootWrite = STGM_READWRITE | STGM_SHARE_DENY_WRITE | STGM_TRANSACTED;
inline constexpr int32_t kChildRead = STGM_READ | STGM_SHARE_EXCLUSIVE;
inline constexpr int32_t kChildWrite = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;

[[noreturn]] void Fail(int32_t number, const std::string& text);
// The runtime error that matches errno, with `what` and the system's words.
[[noreturn]] void FailErrno(const std::string& what);

// Element paths use the document's backslash; "/" is accepted too. Names are
// typed as `tree` shows them: "\\" with three octal digits or "\\u" with four hex
// digits is one character of a name (so "\\005SummaryInformation" is a name,
// and a storage whose name starts with such digits is reached with "/"), and
// "\\000" alone is the empty name. Other empty components are dropped.
std::vector<std::u16string> SplitPath(const std::string& path);
// As SplitPath, but an empty path is an error.
std::vector<std::u16string> ElementPath(const std::string& path);
// The first `count` of `parts` joined with backslashes, as the document layer takes them.
std::u16string JoinPath(const std::vector<std::u16string>& parts, size_t count);
// Names compare as the format compares them: without regard to case.
bool SameName(std::u16string_view a, std::u16string_view b);
// Whether a path can spell `name`: not empty, no NUL, none of \\ / : !.
bool Spellable(std::u16string_view name);
// Whether every part is Spellable, so the joined path names exactly this element.
bool Addressable(const std::vector<std::u16string>& parts);
// Refuses (STG_E_INVALIDNAME) a name that a new element cannot have: the
// engine would read "\\" in it as a path.
void CheckNewName(std::u16string_view name);

// Whether a terminal would move its cursor, or turn the direction of text,
// for this character: the C0 and C1 controls, the bidirectional marks,
// embeddings, overrides and isolates, the line and paragraph separators and
// the invisible formatting characters.
bool MovesCursor(char16_t c);
// A name as a terminal should show it, one line that can be typed back: the
// characters of MovesCursor, unpaired surrogates and the four that names may
// not hold (\\ / : !) as escapes (\\005, \\u202E), and the empty name as \\000.
std::string Shown(std::u16string_view name);
// The same for a whole message, which may quote names: only the characters of
// MovesCursor are escaped.
std::string ShownText(std::string_view text);
// A name as one component of a disk path: its shown form, so two names never
// share a file and every file stays in its folder ("." and ".." start \\056).
std::string DiskName(std::u16string_view name);

// Refuses (error 75) to replace the file `name` in the folder `dir` (AT_FDCWD
// for a path), shown to the user as `shown`, while another open holds it: a
// record lock or a flock(2) lock of any program, as the library asks before it
// saves over a file. Renamed over, the holder would go on writing into a file
// that no longer has a name. A file that cannot be opened to find out counts as
// held; what is not a regular file holds no data to lose and passes.
void RefuseIfHeld(int dir, const std::string& name, const std::string& shown);

// Makes the disk file `path` through a temporary name in the same folder:
// `fill` gets a path that does not exist yet and must create the file there.
// Only a complete, synced file takes the real name, so a failure never leaves
// half a file behind. An existing `path` is an error unless `force`, and is
// not replaced while held (RefuseIfHeld).
void WriteDiskFile(const std::string& path, bool force, const std::function<void(const std::string& temp)>& fill);

// Creates the disk file `path`, which must not exist, holding `bytes`.
void WriteNewFile(const std::string& path, std::string_view bytes);

// Writes `text` to `out`; a failed write (a full disk, a closed pipe) is an error.
void Put(std::string_view text, std::FILE* out);

// Copies the disk file `path` to `out` in large blocks.
void CopyFileTo(const std::string& path, std::FILE* out);

}  // namespace vellora2::cli
