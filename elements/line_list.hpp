// The line index of a loaded stream: a text split once into lines, then looked
// up by line number or by the byte offset a line holds. Lines are numbered from
// 1, byte offsets from 0; a line's text is a view into the text the list keeps.
//
// The list keeps the start of every 32nd line only. Building it then costs
// little more than counting delimiters (an offset written for every line made
// the build a fifth slower), and it takes 4 bytes per 32 lines besides the
// text. A lookup walks at most 31 lines from the nearest kept start, counting
// delimiters 64 bytes at a time: about a KiB of text, whose cache misses cost
// what the line's own would. Lookups in order go on from the last one.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "elements/mapped_memory.hpp"

namespace vellora2 {

class LineList {
 public:
  struct Settings {
    // Text after the last delimiter is a line of its own; without this it is
    // dropped. Empty text after the last delimiter never makes a line.
    bool trailing_text_is_line = true;
    // A delimiter right after another one (or at the start) makes an empty line;
    // without this empty lines are skipped.
    bool keep_empty_lines = true;
    // A line's text includes the delimiter that ends it.
    bool include_delimiter = false;
  };

  // Bytes of text read and split in one go: small enough to stay in the
  // processor's cache between the read and the split.
  static constexpr size_t kBlock = size_t{256} * 1024;

  // Lines apart of the starts kept.
  static constexpr uint32_t kSpacing = 32;

  // `spacing`: tests keep more starts to reach every case with short texts.
  LineList(std::string delimiter, Settings settings, uint32_t spacing = kSpacing);
  LineList(const LineList&) = delete;
  LineList& operator=(const LineList&) = delete;

  // Takes a copy of the text and splits it, replacing any text given before.
  void SetText(std::string_view text);
  // The same for a text of `size` bytes that `read` supplies block by block:
  // each call must fill the span it is given with the text's next bytes, or
  // throw. Error 6 for a text of 4 GiB or more, std::bad_alloc when memory
  // is short; the list is then empty.
  void ReadText(size_t size, const std::function<void(std::span<char>)>& read);

  int32_t Count() const { return static_cast<int32_t>(count_); }
  // Line `number`; error 9 outside 1..Count(). Not for two threads at once:
  // it notes where it got to.
  std::string_view Line(int32_t number) const;
  // The number of the line that holds byte `offset`. A delimiter belongs to the
  // line it ends; bytes that are in no line (skipped empty lines, dropped
  // trailing text) to the line before them, or to the first line. Error 9 for an
  // offset outside the text or a text without lines.
  int32_t LineOfByte(int64_t offset) const;

 private:
  // Finds the lines that end before `end`; with `last`, `end` is the end of
  // the text and whatever follows the last delimiter is dealt with too.
  void Split(size_t end, bool last);
  // The same for a delimiter of two different bytes and empty lines kept:
  // every place the two bytes stand together starts a line, so FindPairs only
  // counts them in text[from, to), and EndPairs settles the last line.
  void FindPairs(size_t from, size_t to);
  void EndPairs();
  // Notes a line that starts at `start`.
  void AddLine(size_t start);
  // Where the line that follows the delimiter at `at` starts; with empty lines
  // skipped, the next one with text.
  size_t After(size_t at) const;
  // Where the line `lines` lines after the one at `start` starts.
  size_t Walk(size_t start, size_t lines) const;
  size_t FindDelimiter(size_t from) const;
  // Delimiters of two different bytes standing in text[from, to) (the index
  // of the `nth` one, with `nth`; UINT32_MAX: none wanted).
  uint64_t CountPairs(size_t from, size_t to, uint32_t nth, uint32_t* at) const;
  void Clear();
  const char* text() const { return reinterpret_cast<const char*>(text_.data()); }

  std::string delimiter_;
  Settings settings_;
  uint32_t spacing_;
  MappedMemory text_;
  size_t size_ = 0;
  size_t count_ = 0;
  // The start of lines 1, 1 + spacing_, 1 + 2 * spacing_ and so on.
  std::vector<uint32_t> kept_;
  // Whether FindPairs built the list, and the delimiters it counted.
  bool pairs_path_ = false;
  uint64_t pairs_ = 0;
  // Where Split goes on: the start of the line being read, and the first
  // byte not yet looked at.
  size_t line_start_ = 0;
  size_t scan_ = 0;
  // The line Line found last (0: none), where it starts, and where its
  // delimiter stands (npos: it has none): the next line is then found at once.
  mutable size_t last_line_ = 0;
  mutable size_t last_start_ = 0;
  mutable size_t last_end_ = 0;
};

}  // namespace vellora2
