// libFuzzer target: arbitrary bytes read as a property-set stream, every value
// and name decoded, written back and edited. A set that cannot be read must be
// refused with STG_E_DOCFILECORRUPT; one that can must write bytes that read
// back to the same set. Anything else (a crash, a hang, a sanitizer report, an
// oversized allocation, another error) is a finding.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "compound/property_set/property_set.hpp"
#include "vellora2/automation/error.hpp"
#include "vellora2/compound/stgm.hpp"

namespace {

using namespace vellora2;
using compound::PropertySetStream;

void DecodeAll(const PropertySetStream& set) {
  for (const auto& section : set.sections()) {
    section.CodePage();
    for (const auto& property : section.properties()) {
      section.Value(property.id);
      section.Name(property.id);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  PropertySetStream set;
  try {
    set = PropertySetStream::Parse(std::string_view(reinterpret_cast<const char*>(data), size));
  } catch (const AutomationError& e) {
    if (e.number() != STG_E_DOCFILECORRUPT) std::abort();
    return 0;
  }
  DecodeAll(set);
  const std::string written = set.Serialize();
  if (PropertySetStream::Parse(written).Serialize() != written) std::abort();
  // The edits a document makes: a title and a named user property.
  set.FindOrAdd(compound::fmtid::kSummaryInformation, 0).Set(2, std::u16string(u"title"));
  auto& user = set.FindOrAdd(compound::fmtid::kUserDefinedProperties, 1);
  user.SetName(2, u"fuzz");
  user.Set(2, int32_t{7});
  DecodeAll(PropertySetStream::Parse(set.Serialize()));
  return 0;
}
