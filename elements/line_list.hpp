// The line index of a loaded stream: a text split once into lines, then looked
// up by line number or by the byte offset a line holds. Lines are numbered from
// 1, byte offsets from 0; a line's text is a view into the text the list keeps.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

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

  LineList(std::string delimiter, Settings settings);
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
  // Line `number`; error 9 outside 1..Count().
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
  // The same for a delimiter of two different bytes, all of whose places are
  // found at once: FindPairs notes the lines that start in text[from, to),
  // EndPairs settles which of them count once the text is complete.
  void FindPairs(size_t from, size_t to);
  void EndPairs();
  void Clear();
  const char* text() const { return reinterpret_cast<const char*>(text_.data()); }
  const uint32_t* starts() const { return reinterpret_cast<const uint32_t*>(starts_.data()); }

  std::string delimiter_;
  Settings settings_;
  MappedMemory text_;
  size_t size_ = 0;
  // The first byte of each line, room for as many as the text could hold. A
  // line's text ends at the first delimiter from there, or at the text's end.
  // While FindPairs works it holds the start of every line, empty or not, and
  // of the text after the last delimiter.
  MappedMemory starts_;
  size_t count_ = 0;
  // Where Split goes on: the start of the line being read, and the first
  // byte not yet looked at.
  size_t line_start_ = 0;
  size_t scan_ = 0;
};

}  // namespace vellora2
