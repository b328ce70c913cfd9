// GUtility's string searches: forwards and backwards, case-insensitive and
// whole-word.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "util/errors.hpp"
#include "vellora2/automation/error.hpp"
#include "vellora2/automation/text.hpp"
#include "vellora2/util/gutility.hpp"

namespace vellora2 {
namespace {

// Characters that end a word for a whole-word search.
constexpr std::u16string_view kWordSeparators = u" .,!:?\t\r\n";

bool IsWordSeparator(char16_t c) { return kWordSeparators.find(c) != std::u16string_view::npos; }

// Both strings prepared for one comparison mode. The runtime's case rules map
// each code unit to one code unit, so upper-casing both sides once and comparing
// binary is the same as comparing case-insensitively position by position.
struct Operands {
  Operands(std::u16string_view target_text, std::u16string_view find_text, bool ignoreCase)
      : folded_target(ignoreCase ? ToUpper(target_text) : std::u16string()),
        folded_find(ignoreCase ? ToUpper(find_text) : std::u16string()),
        target(ignoreCase ? std::u16string_view(folded_target) : target_text),
        find(ignoreCase ? std::u16string_view(folded_find) : find_text) {}
  // The views may point into the object itself.
  Operands(const Operands&) = delete;
  Operands& operator=(const Operands&) = delete;

  std::u16string folded_target;
  std::u16string folded_find;
  std::u16string_view target;
  std::u16string_view find;
};

// InStr: the first occurrence at or after 1-based `start`, or 0.
int32_t FirstAtOrAfter(const Operands& ops, int32_t start) {
  if (start < 1) RaiseUtilityError(rt::kInvalidCall);
  const size_t from = static_cast<size_t>(start - 1);
  if (ops.target.empty() || from >= ops.target.size()) return 0;
  const size_t at = ops.target.find(ops.find, from);
  return at == std::u16string_view::npos ? 0 : static_cast<int32_t>(at) + 1;
}

// The backward scan of InStrR: the last occurrence that ends at or before `limit`.
int32_t LastEndingBy(const Operands& ops, int64_t limit) {
  const int64_t f = static_cast<int64_t>(ops.find.size());
  if (f == 0) {
    // An empty search string matches right after the limit.
    if (limit < 0) return 0;
    if (limit + 1 > std::numeric_limits<int32_t>::max()) RaiseUtilityError(rt::kOverflow);
    return static_cast<int32_t>(limit + 1);
  }
  // Positions past the end cannot hold a full match, so the scan starts no later
  // than the last one that can.
  const int64_t last = std::min(limit, static_cast<int64_t>(ops.target.size()));
  for (int64_t i = last - f + 1; i >= 1; --i) {
    if (ops.target.substr(static_cast<size_t>(i - 1), static_cast<size_t>(f)) == ops.find) {
      return static_cast<int32_t>(i);
    }
  }
  return 0;
}

bool IsWholeWordAt(std::u16string_view target, int32_t p, int32_t f) {
  const int64_t after = static_cast<int64_t>(p) + f;  // 1-based position after the match
  const bool startsWord = p == 1 || IsWordSeparator(target[static_cast<size_t>(p - 2)]);
  const bool endsWord = after - 1 == static_cast<int64_t>(target.size()) ||
                        IsWordSeparator(target[static_cast<size_t>(after - 1)]);
  return startsWord && endsWord;
}

std::u16string AsString(const Variant& v) {
  if (const auto* s = v.get_if<std::u16string>()) return *s;
  return v.ToString();
}

}  // namespace

int32_t GUtility::FindString(std::u16string_view sTarget, std::u16string_view sFind, int32_t iPos,
                             int32_t esoOptions) {
  const bool backward = (esoOptions & esoBackward) != 0;
  const bool wholeWord = (esoOptions & esoWholeWord) != 0;
  const Operands ops(sTarget, sFind, (esoOptions & esoCaseSense) == 0);
  const int32_t f = static_cast<int32_t>(sFind.size());
  const int64_t len = static_cast<int64_t>(sTarget.size());
  int64_t pos = iPos == 0 ? 1 : iPos;
  for (;;) {
    const int32_t p = backward ? LastEndingBy(ops, pos) : FirstAtOrAfter(ops, static_cast<int32_t>(pos));
    if (p == 0 || !wholeWord) return p;
    // An empty string fits everywhere but is no word, and moving on by its length
    // would not move at all.
    if (f == 0) return 0;
    if (IsWholeWordAt(sTarget, p, f)) return p;
    if (backward) {
      pos = static_cast<int64_t>(p) - f;
      if (pos < 1) return 0;
    } else {
      pos = static_cast<int64_t>(p) + f;
      if (pos > len) return 0;
    }
  }
}

int32_t GUtility::InStrR(const Variant& vStart, const Variant& vTarget, const Variant& vFind,
                         const Variant& vCompare) {
  if (vStart.IsMissing() || vTarget.IsMissing()) RaiseUtilityError(eeMissingParameter);
  // A string first argument is the target; anything else is the limit.
  const bool limitGiven = !vStart.IsString();
  if (limitGiven && vFind.IsMissing()) RaiseUtilityError(eeMissingParameter);
  const std::u16string target = AsString(limitGiven ? vTarget : vStart);
  const std::u16string find = AsString(limitGiven ? vFind : vTarget);
  const Variant& compare = limitGiven ? vCompare : vFind;
  const int32_t mode = compare.IsMissing() ? 0 : compare.ToLong();
  if (mode != 0 && mode != 1) RaiseUtilityError(rt::kInvalidCall);
  const int64_t limit = limitGiven ? vStart.ToLong() : static_cast<int64_t>(target.size());
  return LastEndingBy(Operands(target, find, mode == 1), limit);
}

}  // namespace vellora2
