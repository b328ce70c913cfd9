#include "platform/desktop_platform.hpp"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "platform/module_paths.hpp"
#include "platform/window_module.hpp"

namespace vellora2 {
namespace {

#ifdef VELLORA2_WINDOW_MODULE
// The variable's value, or "" when it is not set.
std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

const WindowModule* Load() {
  if (Env("DISPLAY").empty() && Env("WAYLAND_DISPLAY").empty()) return nullptr;
  std::vector<std::string> candidates{Env("VELLORA2_GTK_MODULE")};
  for (std::string& path : ModulePaths(reinterpret_cast<const void*>(&LoadWindowModule), "vellora2-gtk.so")) {
    candidates.push_back(std::move(path));
  }
  candidates.emplace_back(VELLORA2_WINDOW_MODULE);
  std::string why = "not found";
  for (const std::string& path : candidates) {
    if (path.empty()) continue;
    // Never closed: its code runs for as long as any of its windows or platforms live.
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
      const char* error = dlerror();
      why = error != nullptr ? error : path;
      continue;
    }
    auto entry = reinterpret_cast<WindowModuleEntry>(dlsym(handle, kWindowModuleEntry));
    if (entry != nullptr) return entry(&CurrentPlatform);
    why = path + ": no entry point " + kWindowModuleEntry;
  }
  std::fprintf(stderr, "vellora2: no windows, dialogs answer on the terminal (%s)\n", why.c_str());
  return nullptr;
}
#else
// Built without GTK: there is no module to load.
const WindowModule* Load() { return nullptr; }
#endif

}  // namespace

const WindowModule* LoadWindowModule() {
  static const WindowModule* const module = Load();
  return module;
}

Platform* DesktopPlatform::Windows() {
  if (!asked_) {
    asked_ = true;
    if (const WindowModule* module = LoadWindowModule()) windows_ = module->make_platform();
  }
  return windows_.get();
}

int32_t DesktopPlatform::MessageBox(std::u16string_view prompt, int32_t style, std::u16string_view title) {
  if (Platform* windows = Windows()) return windows->MessageBox(prompt, style, title);
  return PosixPlatform::MessageBox(prompt, style, title);
}

void DesktopPlatform::ProcessEvents() {
  // Before the first window there are no window events to process.
  if (windows_) windows_->ProcessEvents();
  PosixPlatform::ProcessEvents();
}

bool DesktopPlatform::GetOpenFileName(OpenFileNameRecord& record) {
  if (Platform* windows = Windows()) return windows->GetOpenFileName(record);
  return PosixPlatform::GetOpenFileName(record);
}

bool DesktopPlatform::GetSaveFileName(OpenFileNameRecord& record) {
  if (Platform* windows = Windows()) return windows->GetSaveFileName(record);
  return PosixPlatform::GetSaveFileName(record);
}

bool DesktopPlatform::ChooseColor(ChooseColorRecord& record) {
  if (Platform* windows = Windows()) return windows->ChooseColor(record);
  return PosixPlatform::ChooseColor(record);
}

bool DesktopPlatform::ChooseFont(ChooseFontRecord& record) {
  if (Platform* windows = Windows()) return windows->ChooseFont(record);
  return PosixPlatform::ChooseFont(record);
}

bool DesktopPlatform::PrintDlg(PrintDlgRecord& record) {
  if (Platform* windows = Windows()) return windows->PrintDlg(record);
  return PosixPlatform::PrintDlg(record);
}

bool DesktopPlatform::PageSetupDlg(PageSetupDlgRecord& record) {
  if (Platform* windows = Windows()) return windows->PageSetupDlg(record);
  return PosixPlatform::PageSetupDlg(record);
}

int32_t DesktopPlatform::TwipsPerPixelY() {
  if (Platform* windows = Windows()) return windows->TwipsPerPixelY();
  return PosixPlatform::TwipsPerPixelY();
}

std::shared_ptr<Platform> MakeDesktopPlatform() { return std::make_shared<DesktopPlatform>(); }

}  // namespace vellora2
