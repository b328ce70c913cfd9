// The commands of the vellora tool. Each takes the parsed arguments, does its
// work through the public library, and throws AutomationError on failure.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace vellora2::cli {

struct Options {
  bool force = false;      // replace what is there
  bool parents = false;    // mkdir: no error when it exists
  bool recursive = false;  // export: a whole storage into a folder
  bool plain = false;      // create: an empty compound file rather than a document
};

// Documents (made by `create`, or by any host through CVellora) are worked on
// through the document layer; other compound files through the engine. See
// document.hpp for how the two are told apart.

void Create(const std::string& file, const Options& options);
// The element tree, or with `list` one line per element for scripts (walk.hpp).
void Tree(const std::string& file, bool list, std::FILE* out);
void Import(const std::string& file, const std::string& disk_file, const std::string& element, const Options& options);
void Export(const std::string& file, const std::string& element, const std::string& disk_path, const Options& options);
void Cat(const std::string& file, const std::string& element, std::FILE* out);
void Remove(const std::string& file, const std::string& element);
void Move(const std::string& file, const std::string& from, const std::string& to);
void MakeStorage(const std::string& file, const std::string& element, const Options& options);
void Info(const std::string& file, std::FILE* out);
// A stream's text lines through the document's loaded-stream reader: all of
// them, or only line `number` (counted from 1) when it is above 0.
void Lines(const std::string& file, const std::string& element, int32_t number, std::FILE* out);
// Returns the number of problems found (0: the file is sound).
int Check(const std::string& file, std::FILE* out);
// Rewrites the file without free space and prints its size before and after.
void Compact(const std::string& file, std::FILE* out);
// The pictures of a document's "Images" storage: each with its format, size in
// pixels and bytes; a picture file added (named after the file unless `name` is
// given); a picture written out byte for byte.
void ImagesList(const std::string& file, std::FILE* out);
void ImagesAdd(const std::string& file, const std::string& disk_file, const std::string& name, const Options& options);
void ImagesExtract(const std::string& file, const std::string& name, const std::string& disk_path,
                   const Options& options);
// The summary, document summary and user-defined properties; with `sets`
// ("key=value" for the summary fields) or `user_sets` ("name=value") it changes
// them instead and commits, printing nothing.
void Props(const std::string& file, const std::vector<std::string>& sets, const std::vector<std::string>& user_sets,
           std::FILE* out);
// The File Properties window, modal, saving what it changed; without a display its tabs as text.
void Properties(const std::string& file, std::FILE* out);

}  // namespace vellora2::cli
