#include "platform/module_paths.hpp"

#include <dlfcn.h>
#include <elf.h>
#include <link.h>
#include <sys/auxv.h>
#include <unistd.h>

#include <array>
#include <climits>
#include <cstdint>

namespace vellora2 {
namespace {

// Whether the object loaded at `base` is the program: its program headers
// are the ones the kernel handed over.
bool IsProgram(const void* base) {
  if (base == nullptr) return false;
  const auto* header = static_cast<const ElfW(Ehdr)*>(base);
  return reinterpret_cast<uintptr_t>(base) + header->e_phoff == getauxval(AT_PHDR);
}

std::string ProgramPath() {
  std::array<char, PATH_MAX> buf{};
  const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  return n > 0 ? std::string(buf.data(), static_cast<size_t>(n)) : std::string();
}

std::string Folder(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace

std::vector<std::string> ModulePaths(const void* code, const std::string& name) {
  Dl_info info{};
  if (dladdr(code, &info) == 0) return {};
  const bool program = IsProgram(info.dli_fbase);
  const std::string folder = Folder(program ? ProgramPath() : (info.dli_fname != nullptr ? info.dli_fname : ""));
  if (folder.empty()) return {};
  std::vector<std::string> paths{folder + "/vellora2/" + name};
  if (program) paths.push_back(folder + "/" + VELLORA2_LIBDIR_FROM_BINDIR + "/vellora2/" + name);
  return paths;
}

}  // namespace vellora2
