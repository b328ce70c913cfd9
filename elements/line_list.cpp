#include "elements/line_list.hpp"

#include <algorithm>
#include <cstring>

#include "vellora2/automation/error.hpp"

namespace vellora2 {
namespace {

constexpr std::u16string_view kSource = u"Vellora2.LineList";

}  // namespace

LineList::LineList(std::string delimiter, Settings settings) : delimiter_(std::move(delimiter)), settings_(settings) {
  if (delimiter_.empty()) Raise(rt::kInvalidCall, std::u16string(kSource));
}

void LineList::SetText(std::string text) {
  text_ = std::move(text);
  starts_.clear();
  ends_.clear();
  // `end` is where the line's text stops, `next` where the following line starts.
  const auto add = [this](size_t start, size_t end, size_t next) {
    if (end == start && !settings_.keep_empty_lines) return;
    starts_.push_back(start);
    ends_.push_back(settings_.include_delimiter ? next : end);
  };
  // Delimiters are short: find their first byte with memchr, then compare the rest.
  const std::string_view all(text_);
  const std::string_view rest_of_delimiter = std::string_view(delimiter_).substr(1);
  size_t start = 0;
  for (size_t from = 0; from < all.size();) {
    const void* hit = std::memchr(all.data() + from, delimiter_.front(), all.size() - from);
    if (!hit) break;
    const auto at = static_cast<size_t>(static_cast<const char*>(hit) - all.data());
    if (all.substr(at + 1, rest_of_delimiter.size()) != rest_of_delimiter) {
      from = at + 1;
      continue;
    }
    const size_t next = at + delimiter_.size();
    add(start, at, next);
    start = from = next;
  }
  if (start < text_.size() && settings_.trailing_text_is_line) add(start, text_.size(), text_.size());
}

std::string_view LineList::Line(int32_t number) const {
  if (number < 1 || number > Count()) Raise(rt::kSubscriptOutOfRange, std::u16string(kSource));
  const auto i = static_cast<size_t>(number - 1);
  return std::string_view(text_).substr(starts_[i], ends_[i] - starts_[i]);
}

int32_t LineList::LineOfByte(int64_t offset) const {
  if (offset < 0 || static_cast<uint64_t>(offset) >= text_.size() || starts_.empty()) {
    Raise(rt::kSubscriptOutOfRange, std::u16string(kSource));
  }
  // The last line that starts at or before the offset; bytes before the first
  // line (skipped empty lines) count as part of it.
  const auto it = std::upper_bound(starts_.begin(), starts_.end(), static_cast<size_t>(offset));
  const auto index = it == starts_.begin() ? 0 : (it - starts_.begin()) - 1;
  return static_cast<int32_t>(index + 1);
}

}  // namespace vellora2
