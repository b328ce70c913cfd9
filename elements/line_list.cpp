#include "elements/line_list.hpp"

#include <algorithm>
#include <cstring>

#include "elements/find_byte.hpp"
#include "elements/pair_ends.hpp"
#include "vellora2/automation/error.hpp"

namespace vellora2 {
namespace {

constexpr std::u16string_view kSource = u"Vellora2.LineList";

}  // namespace

LineList::LineList(std::string delimiter, Settings settings) : delimiter_(std::move(delimiter)), settings_(settings) {
  if (delimiter_.empty()) Raise(rt::kInvalidCall, std::u16string(kSource));
}

void LineList::SetText(std::string_view text) {
  ReadText(text.size(), [&, at = size_t{0}](std::span<char> into) mutable {
    std::memcpy(into.data(), text.data() + at, into.size());
    at += into.size();
  });
}

void LineList::Clear() {
  text_ = MappedMemory();
  starts_ = MappedMemory();
  size_ = count_ = line_start_ = scan_ = 0;
}

void LineList::ReadText(size_t size, const std::function<void(std::span<char>)>& read) {
  Clear();
  // Offsets are kept in 32 bits, half the memory of a large index.
  if (size > UINT32_MAX) Raise(rt::kOverflow, std::u16string(kSource));
  // Two different bytes never overlap one another, so every place they stand
  // together is a delimiter and all of them can be found at once.
  const bool pairs = delimiter_.size() == 2 && delimiter_[0] != delimiter_[1];
  try {
    text_ = MappedMemory(size);
    // Every line but the last ends with a delimiter.
    starts_ = MappedMemory((size / delimiter_.size() + 1 + kPairEndsSpare) * sizeof(uint32_t));
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

void LineList::FindPairs(size_t from, size_t to) {
  auto* const starts = reinterpret_cast<uint32_t*>(starts_.data());
  // The first line starts the text; the others after each delimiter.
  if (from == 0) starts[count_++] = 0;
  count_ += FindPairEnds(FastestPairScan(), reinterpret_cast<const uint8_t*>(text()), from, to,
                         static_cast<uint8_t>(delimiter_[0]), static_cast<uint8_t>(delimiter_[1]), starts + count_);
}

void LineList::EndPairs() {
  auto* const starts = reinterpret_cast<uint32_t*>(starts_.data());
  if (count_ == 0) starts[count_++] = 0;  // an empty text
  if (!settings_.keep_empty_lines) {
    // A line is empty when the next one starts right after its delimiter;
    // the last one, which has no delimiter, is dealt with below.
    size_t kept = 0;
    for (size_t i = 0; i + 1 < count_; ++i) {
      starts[kept] = starts[i];
      kept += starts[i + 1] - starts[i] != delimiter_.size() ? 1 : 0;
    }
    starts[kept] = starts[count_ - 1];
    count_ = kept + 1;
  }
  // The text after the last delimiter.
  if (starts[count_ - 1] == size_ || !settings_.trailing_text_is_line) --count_;
}

void LineList::Split(size_t end, bool last) {
  const char* const all = text();
  auto* const starts = reinterpret_cast<uint32_t*>(starts_.data());
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
    if (at > line_start_ || settings_.keep_empty_lines) starts[count_++] = static_cast<uint32_t>(line_start_);
    line_start_ = scan_ = at + delimiter_.size();
  }
  if (last && line_start_ < size_ && settings_.trailing_text_is_line) {
    starts[count_++] = static_cast<uint32_t>(line_start_);
  }
}

std::string_view LineList::Line(int32_t number) const {
  if (number < 1 || number > Count()) Raise(rt::kSubscriptOutOfRange, std::u16string(kSource));
  const size_t start = starts()[number - 1];
  const std::string_view all(text(), size_);
  size_t end = all.find(delimiter_, start);
  if (end == std::string_view::npos) {
    end = all.size();
  } else if (settings_.include_delimiter) {
    end += delimiter_.size();
  }
  return all.substr(start, end - start);
}

int32_t LineList::LineOfByte(int64_t offset) const {
  if (offset < 0 || static_cast<uint64_t>(offset) >= size_ || count_ == 0) {
    Raise(rt::kSubscriptOutOfRange, std::u16string(kSource));
  }
  // The last line that starts at or before the offset; bytes before the first
  // line (skipped empty lines) count as part of it.
  const uint32_t* const begin = starts();
  const uint32_t* const it = std::upper_bound(begin, begin + count_, static_cast<uint64_t>(offset));
  const auto index = it == begin ? 0 : (it - begin) - 1;
  return static_cast<int32_t>(index + 1);
}

}  // namespace vellora2
