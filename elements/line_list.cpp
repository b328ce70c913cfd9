#include "elements/line_list.hpp"

#include <algorithm>
#include <array>
#include <cstring>

#include "elements/find_byte.hpp"
#include "elements/pair_ends.hpp"
#include "vellora2/automation/error.hpp"

namespace vellora2 {
namespace {

constexpr std::u16string_view kSource = u"Vellora2.LineList";

}  // namespace

LineList::LineList(std::string delimiter, Settings settings, uint32_t spacing)
    : delimiter_(std::move(delimiter)), settings_(settings), spacing_(spacing) {
  if (delimiter_.empty() || spacing_ == 0) Raise(rt::kInvalidCall, std::u16string(kSource));
}

void LineList::SetText(std::string_view text) {
  ReadText(text.size(), [&, at = size_t{0}](std::span<char> into) mutable {
    std::memcpy(into.data(), text.data() + at, into.size());
    at += into.size();
  });
}

void LineList::Clear() {
  text_ = MappedMemory();
  kept_ = {};
  size_ = count_ = line_start_ = scan_ = last_line_ = last_start_ = last_end_ = 0;
  pairs_path_ = false;
  pairs_ = 0;
}

void LineList::ReadText(size_t size, const std::function<void(std::span<char>)>& read) {
  Clear();
  // Offsets are kept in 32 bits.
  if (size > UINT32_MAX) Raise(rt::kOverflow, std::u16string(kSource));
  // Two different bytes never overlap one another, so every place they stand
  // together is a delimiter and all of them can be found at once; with empty
  // lines kept, each starts a line, so they need only be counted.
  const bool pairs = delimiter_.size() == 2 && delimiter_[0] != delimiter_[1] && settings_.keep_empty_lines;
  try {
    pairs_path_ = pairs;
    text_ = MappedMemory(size);
    size_ = size;
    for (size_t at = 0; at < size; at += kBlock) {
      const size_t n = std::min(kBlock, size - at);
      read(std::span(reinterpret_cast<char*>(text_.data()) + at, n));
      if (pairs) {
        FindPairs(at, at + n);
      } else {
        Split(at + n, false);
      }
    }
    if (pairs) {
      EndPairs();
    } else {
      Split(size, true);
    }
  } catch (...) {
    Clear();
    throw;
  }
}

void LineList::AddLine(size_t start) {
  if (count_ % spacing_ == 0) kept_.push_back(static_cast<uint32_t>(start));
  ++count_;
}

void LineList::FindPairs(size_t from, size_t to) {
  // The first line starts the text; line n + 1 after the n-th delimiter.
  if (from == 0) kept_.push_back(0);
  const size_t before = kept_.size();
  kept_.resize(before + (to - from + 1) / 2 / spacing_ + 1);
  const size_t found =
      FindPairEnds(FastestPairScan(), reinterpret_cast<const uint8_t*>(text()), from, to,
                   static_cast<uint8_t>(delimiter_[0]), static_cast<uint8_t>(delimiter_[1]), spacing_, pairs_,
                   kept_.data() + before);
  kept_.resize(before + found);
}

void LineList::EndPairs() {
  count_ = pairs_ + 1;
  // After the last delimiter: no line when nothing follows it (or there is
  // no text at all), nor when trailing text does not count.
  const bool ends_with_delimiter =
      size_ == 0 || (size_ >= 2 && std::memcmp(text() + size_ - 2, delimiter_.data(), 2) == 0);
  if (ends_with_delimiter || !settings_.trailing_text_is_line) --count_;
  kept_.resize((count_ + spacing_ - 1) / spacing_);
}

void LineList::Split(size_t end, bool last) {
  const char* const all = text();
  const auto first = static_cast<uint8_t>(delimiter_.front());
  const size_t rest = delimiter_.size() - 1;
  // Find the delimiter's first byte, then compare the rest.
  while (scan_ < end) {
    const size_t at = scan_ + FindByte(reinterpret_cast<const uint8_t*>(all) + scan_, end - scan_, first);
    if (at == end) {
      scan_ = end;
      break;
    }
    if (end - at - 1 < rest) {
      // The rest of this delimiter is in the next block, or past the text's end.
      if (!last) {
        scan_ = at;
        return;
      }
      scan_ = at + 1;
      continue;
    }
    // A loop rather than std::equal, which becomes a call to memcmp for what
    // is nearly always one byte.
    size_t same = 0;
    while (same < rest && all[at + 1 + same] == delimiter_[1 + same]) ++same;
    if (same < rest) {
      scan_ = at + 1;
      continue;
    }
    if (at > line_start_ || settings_.keep_empty_lines) AddLine(line_start_);
    line_start_ = scan_ = at + delimiter_.size();
  }
  if (last && line_start_ < size_ && settings_.trailing_text_is_line) AddLine(line_start_);
}

size_t LineList::FindDelimiter(size_t from) const {
  return std::string_view(text(), size_).find(delimiter_, from);
}

size_t LineList::After(size_t at) const {
  size_t next = at + delimiter_.size();
  // The way Split goes: a delimiter right where a line starts makes it empty.
  if (!settings_.keep_empty_lines) {
    while (size_ - next >= delimiter_.size() && std::memcmp(text() + next, delimiter_.data(), delimiter_.size()) == 0) {
      next += delimiter_.size();
    }
  }
  return next;
}

uint64_t LineList::CountPairs(size_t from, size_t to, uint32_t nth, uint32_t* at) const {
  // A line starts right after a delimiter (or at 0), so the byte before
  // `from` never makes one with the byte at `from`.
  uint64_t seen = 0;
  uint32_t unwanted = 0;
  FindPairEnds(FastestPairScan(), reinterpret_cast<const uint8_t*>(text()), from, to,
               static_cast<uint8_t>(delimiter_[0]), static_cast<uint8_t>(delimiter_[1]), nth,
               seen, nth == UINT32_MAX ? &unwanted : at);
  return seen;
}

size_t LineList::Walk(size_t start, size_t lines) const {
  if (lines == 0) return start;
  if (!pairs_path_) {
    for (; lines > 0; --lines) start = After(FindDelimiter(start));
    return start;
  }
  // Lines are a few dozen bytes: a KiB or two holds the lines between two
  // kept starts. Windows of a KiB read little past the line wanted.
  constexpr size_t kWindow = 1024;
  std::array<uint32_t, kWindow / 2 + 1> found{};
  auto wanted = static_cast<uint32_t>(lines);
  for (size_t from = start; from < size_; from += kWindow) {
    const size_t to = std::min(size_, from + kWindow);
    const uint64_t seen = CountPairs(from, to, wanted, found.data());
    if (seen >= wanted) return found[0];
    wanted -= static_cast<uint32_t>(seen);
  }
  return size_;
}

std::string_view LineList::Line(int32_t number) const {
  if (number < 1 || number > Count()) Raise(rt::kSubscriptOutOfRange, std::u16string(kSource));
  const auto wanted = static_cast<size_t>(number);
  size_t start = 0;
  if (wanted == last_line_) {
    start = last_start_;
  } else if (last_line_ != 0 && wanted == last_line_ + 1 && last_end_ != std::string_view::npos) {
    start = After(last_end_);
  } else {
    const size_t kept = (wanted - 1) / spacing_;
    start = Walk(kept_[kept], wanted - 1 - kept * spacing_);
  }
  const size_t at = FindDelimiter(start);
  last_line_ = wanted;
  last_start_ = start;
  last_end_ = at;
  size_t end = at;
  if (end == std::string_view::npos) {
    end = size_;
  } else if (settings_.include_delimiter) {
    end += delimiter_.size();
  }
  return {text() + start, end - start};
}

int32_t LineList::LineOfByte(int64_t offset) const {
  if (offset < 0 || static_cast<uint64_t>(offset) >= size_ || count_ == 0) {
    Raise(rt::kSubscriptOutOfRange, std::u16string(kSource));
  }
  // The last line that starts at or before the offset; bytes before the first
  // line (skipped empty lines) count as part of it.
  const auto at = static_cast<size_t>(offset);
  const auto it = std::upper_bound(kept_.begin(), kept_.end(), at);
  const size_t kept = it == kept_.begin() ? 0 : static_cast<size_t>(it - kept_.begin()) - 1;
  size_t line = kept * spacing_ + 1;
  size_t start = kept_[kept];
  if (pairs_path_) {
    // Every delimiter between the kept start and the offset starts a line;
    // trailing text that is no line belongs to the last one.
    if (at > start) line += CountPairs(start, at, UINT32_MAX, nullptr);
    return static_cast<int32_t>(std::min(line, count_));
  }
  while (line < count_) {
    const size_t delimiter = FindDelimiter(start);
    if (delimiter == std::string_view::npos || After(delimiter) > at) break;
    start = After(delimiter);
    ++line;
  }
  return static_cast<int32_t>(line);
}

}  // namespace vellora2
