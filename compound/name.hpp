// Element names. A name is at most 31 UTF-16 units and may not contain "/", "\",
// ":" or "!" (the first two are path separators; ":" and "!" have meanings in
// monikers). Names compare case-insensitively the way the directory orders its
// red-black trees: shorter names first, then unit by unit after upper-casing.
// Readers search the tree with this order, so writing a tree in any other
// order makes our names invisible to them.
#pragma once

#include <string>
#include <string_view>

namespace vellora2::compound {

// Fails with STG_E_INVALIDNAME.
void ValidateName(std::u16string_view name);
// <0, 0, >0 as a is before, equal to, after b.
int CompareNames(std::u16string_view a, std::u16string_view b);
// Simple (one-to-one) upper-casing of one UTF-16 unit: the Latin, Greek,
// Cyrillic, Armenian and full-width letters. Units outside those blocks,
// surrogates included, compare as they are.
char16_t UpperUnit(char16_t c);

}  // namespace vellora2::compound
