// `vellora salvage`: what can be read of a damaged compound file, written out
// as a new compound file or as plain files, with a report beside it.
#pragma once

#include <CLI/CLI.hpp>

namespace vellora2::cli {

// Adds the command to `app`. It sets `status` to 0 when everything came back
// whole, 1 when something was partial or lost, 2 on a usage error.
void AddSalvageCommand(CLI::App& app, int& status);

}  // namespace vellora2::cli
