// Element paths: "Help\QuiHelp.hlp" names the stream QuiHelp.hlp of the storage
// Help under the document root. One leading backslash is allowed and means
// nothing. Components are neither trimmed nor checked here: an empty component
// stays an empty name, and the engine judges names when they are used.
//
// The three functions change the caller's path variable (it loses its leading
// backslash), because hosts have always seen that happen to the names they pass.
// Errors leave them with the frames that hosts read in the error's source.
#pragma once

#include <string>

#include "vellora2/automation/variant.hpp"
#include "vellora2/compound/storage_engine.hpp"

namespace vellora2 {

// The components of `path`, in order, as a String array with lower bound 0.
StringArray ParseElements(std::u16string& path);

// Appends "\" + name to `storagePath` for every component but the last, which
// becomes `streamName`. `storagePath` is appended to, not replaced.
void SplitStreamStorage(std::u16string& path, std::u16string& storagePath, std::u16string& streamName);

// Creates the storages of `storagePath` that do not exist yet inside `root`, one
// level at a time, reopening each level from `root` by its full path.
void CreatePath(Storage& root, std::u16string& storagePath);

}  // namespace vellora2
