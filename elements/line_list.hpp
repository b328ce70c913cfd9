// The line index of a loaded stream: a text split once into lines, then looked
// up by line number or by the byte offset a line holds. Lines are numbered from
// 1, byte offsets from 0; a line's text is a view into the text the list keeps.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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

  LineList(std::string delimiter, Settings settings);
  LineList(const LineList&) = delete;
  LineList& operator=(const LineList&) = delete;

  // Takes the text and splits it, replacing any text given before.
  void SetText(std::string text);

  int32_t Count() const { return static_cast<int32_t>(starts_.size()); }
  // Line `number`; error 9 outside 1..Count().
  std::string_view Line(int32_t number) const;
  // The number of the line that holds byte `offset`. A delimiter belongs to the
  // line it ends; bytes that are in no line (skipped empty lines, dropped
  // trailing text) to the line before them, or to the first line. Error 9 for an
  // offset outside the text or a text without lines.
  int32_t LineOfByte(int64_t offset) const;

 private:
  std::string delimiter_;
  Settings settings_;
  std::string text_;
  std::vector<size_t> starts_;  // first byte of each line
  std::vector<size_t> ends_;    // one past its last byte of text
};

}  // namespace vellora2
