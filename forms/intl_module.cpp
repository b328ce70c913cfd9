#include "forms/intl_module.hpp"

#include <dlfcn.h>

#include <cstdlib>
#include <string>

namespace vellora2::forms {
namespace {

// "vellora2/vellora2-intl.so" in the folder of the file that holds this code:
// the shared library, or a program linked with the static one.
std::string ModuleBesideLibrary() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&LoadIntlModule), &info) == 0 || info.dli_fname == nullptr) return {};
  std::string path = info.dli_fname;
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return {};
  return path.substr(0, slash) + "/vellora2/vellora2-intl.so";
}

const IntlModule* Load() {
  const char* variable = std::getenv("VELLORA2_INTL_MODULE");
  const std::string candidates[] = {variable != nullptr ? variable : "", ModuleBesideLibrary(),
                                    VELLORA2_INTL_MODULE_PATH};
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
