#include "forms/intl_module.hpp"

#include <dlfcn.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "platform/module_paths.hpp"

namespace vellora2::forms {
namespace {

const IntlModule* Load() {
  const char* variable = std::getenv("VELLORA2_INTL_MODULE");
  std::vector<std::string> candidates{variable != nullptr ? variable : ""};
  for (std::string& path : ModulePaths(reinterpret_cast<const void*>(&LoadIntlModule), "vellora2-intl.so")) {
    candidates.push_back(std::move(path));
  }
  candidates.emplace_back(VELLORA2_INTL_MODULE_PATH);
  for (const std::string& path : candidates) {
    if (path.empty()) continue;
    // Never closed: ICU keeps its caches for as long as the process lives.
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) continue;
    if (auto entry = reinterpret_cast<IntlModuleEntry>(dlsym(handle, kIntlModuleEntry))) return entry();
  }
  // Without it the form writes US English: nothing is lost but the language.
  return nullptr;
}

}  // namespace

const IntlModule* LoadIntlModule() {
  static const IntlModule* const module = Load();
  return module;
}

}  // namespace vellora2::forms
