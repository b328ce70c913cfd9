// Helpers for the utility tests: the number of the error a call raises, a
// private temporary folder, an environment variable and a platform set for one test.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>

#include "vellora2/automation/error.hpp"
#include "vellora2/automation/text.hpp"
#include "vellora2/platform/platform.hpp"

namespace vellora2::testing {

// The number of the AutomationError that `f` raises; 0 when it raises none.
template <typename F>
int32_t ErrorOf(F&& f) {
  try {
    f();
  } catch (const AutomationError& e) {
    return e.number();
  }
  return 0;
}

class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vellora2-util-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~TempDir() { std::filesystem::remove_all(path_); }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  std::u16string operator/(std::string_view name) const { return FromUtf8((path_ / name).string()); }
  std::u16string u16() const { return FromUtf8(path_.string()); }
  const std::filesystem::path& path() const { return path_; }
  void Write(std::string_view name, std::string_view bytes) const {
    std::ofstream(path_ / name, std::ios::binary) << bytes;
  }
  std::string Read(std::string_view name) const {
    std::ifstream in(path_ / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

 private:
  std::filesystem::path path_;
};

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = ::getenv(name)) old_ = old;
    ::setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() { old_ ? ::setenv(name_, old_->c_str(), 1) : ::unsetenv(name_); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

template <typename P>
class ScopedPlatform {
 public:
  ScopedPlatform() : platform_(std::make_shared<P>()), old_(SetCurrentPlatform(platform_)) {}
  ~ScopedPlatform() { SetCurrentPlatform(old_); }
  ScopedPlatform(const ScopedPlatform&) = delete;
  ScopedPlatform& operator=(const ScopedPlatform&) = delete;
  P* operator->() const { return platform_.get(); }

 private:
  std::shared_ptr<P> platform_;
  std::shared_ptr<Platform> old_;
};

}  // namespace vellora2::testing
