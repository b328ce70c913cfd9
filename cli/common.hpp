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

// Element paths use the document's backslash; "/" is accepted too, since no
// element name may contain either. Empty components are dropped.
std::vector<std::u16string> SplitPath(const std::string& path);
// As SplitPath, but an empty path is an error.
std::vector<std::u16string> ElementPath(const std::string& path);
// The first `count` of `parts` joined with backslashes, as the document layer takes them.
std::u16string JoinPath(const std::vector<std::u16string>& parts, size_t count);
// Names compare as the format compares them: without regard to case.
bool SameName(std::u16string_view a, std::u16string_view b);

// A name safe to use as one component of a disk path, whatever the document holds.
std::string SafeComponent(std::u16string_view name);
// A name as a terminal should show it: control characters (the property-set
// streams start with one) as \ooo.
std::string Shown(std::u16string_view name);

// Makes the disk file `path` through a temporary name in the same folder:
// `fill` gets a path that does not exist yet and must create the file there.
// Only a complete, synced file takes the real name, so a failure never leaves
// half a file behind. An existing `path` is an error unless `force`.
void WriteDiskFile(const std::string& path, bool force, const std::function<void(const std::string& temp)>& fill);

// Creates the disk file `path`, which must not exist, holding `bytes`.
void WriteNewFile(const std::string& path, std::string_view bytes);

// Copies the disk file `path` to `out` in large blocks.
void CopyFileTo(const std::string& path, std::FILE* out);

}  // namespace vellora2::cli
