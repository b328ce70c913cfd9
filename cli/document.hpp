// Documents made through the document layer (CVellora's NewFile) are worked on
// through it: elements through CFilesIO, pictures through CImagesIO, and every
// change published by SaveFile, which also stamps the save time and revision as
// a host's save would. Other compound files are the engine's (commands.cpp).
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.hpp"
#include "vellora2/document/cvellora.hpp"

namespace vellora2::cli {

// Opens `file` as `doc`'s document when it is one: a compound file that carries
// the "AppVersion" user property every new document is given. False for any
// other compound file, which is then left closed. A missing file, or one that is
// no compound file at all, raises the engine's error.
bool OpenDocument(CVellora& doc, const std::string& file, bool write);

// The element commands on a document opened by OpenDocument. Paths come split
// into their parts; the commands that change something save the document.
namespace document {

void Import(CVellora& doc, const std::string& disk_file, const std::vector<std::u16string>& parts,
            const Options& options);
void Export(CVellora& doc, const std::vector<std::u16string>& parts, const std::string& disk_path,
            const Options& options);
void Remove(CVellora& doc, const std::vector<std::u16string>& parts);
void Move(CVellora& doc, const std::vector<std::u16string>& from, const std::vector<std::u16string>& to);
void MakeStorage(CVellora& doc, const std::vector<std::u16string>& parts, const Options& options);

}  // namespace document
}  // namespace vellora2::cli
