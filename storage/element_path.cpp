#include "storage/element_path.hpp"

#include <utility>
#include <vector>

#include "storage/handler.hpp"
#include "vellora2/automation/error.hpp"
#include "vellora2/compound/stgm.hpp"

namespace vellora2 {
namespace {

// These functions belong to CFilesIO: errors they raise carry its default source.
constexpr std::u16string_view kSource = u"Vellora2.CFilesIO";

// Character positions were 16-bit: a separator at position 32767 (1-based) or
// later made the next start position overflow.
constexpr size_t kLastPosition = 32767;

constexpr int32_t kEditMode = STGM_SHARE_EXCLUSIVE | STGM_READWRITE;

}  // namespace

StringArray ParseElements(std::u16string& path) {
  return WithFrame(u"Vellora.CFilesIO::ParseElements", [&] {
    if (!path.empty() && path.front() == u'\\') path.erase(0, 1);
    std::vector<std::u16string> components;
    size_t start = 0;
    for (size_t pos = path.find(u'\\'); pos != std::u16string::npos; pos = path.find(u'\\', pos + 1)) {
      if (pos + 1 >= kLastPosition) Raise(rt::kOverflow, std::u16string(kSource));
      components.push_back(path.substr(start, pos - start));
      start = pos + 1;
    }
    components.push_back(path.substr(start));
    return StringArray(0, std::move(components));
  });
}

void SplitStreamStorage(std::u16string& path, std::u16string& storagePath, std::u16string& streamName) {
  WithFrame(u"Vellora.CFilesIO::SplitStreamStorage", [&] {
    const StringArray components = ParseElements(path);
    const auto& names = components.data();
    for (size_t i = 0; i + 1 < names.size(); ++i) {
      storagePath += u'\\';
      storagePath += names[i];
    }
    streamName = names.back();
  });
}

void CreatePath(Storage& root, std::u16string& storagePath) {
  Storage parent;
  HeldElements held;
  held.Hold(parent);
  RunWithFrame(u"|Vellora.CFilesIO::CreatePath", held, [&] {
    parent = root;
    const StringArray components = ParseElements(storagePath);
    std::u16string current;
    for (const auto& component : components) {
      try {
        if (parent.ElementType(component) != STGTY_STORAGE) parent.CreateStorage(component, kEditMode).Release();
      } catch (const AutomationError&) {
        // A refused name, or a stream in the way: the open below fails for it and
        // reports the error that explains it.
      }
      parent.Release();
      current += u'\\';
      current += component;
      parent = root.OpenStorage(current, kEditMode);
    }
    parent.Release();
  });
}

}  // namespace vellora2
