#include "platform/module_paths.hpp"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <climits>
#include <string>
#include <vector>

namespace vellora2 {
namespace {

void CodeOfThisProgram() {}

TEST(ModulePaths, AProgramLooksBesideItselfThenInItsTreesLibraryFolder) {
  std::array<char, PATH_MAX> exe{};
  ASSERT_GT(::readlink("/proc/self/exe", exe.data(), exe.size() - 1), 0);
  const std::string program(exe.data());
  const std::string folder = program.substr(0, program.rfind('/'));
  // Whatever name the test was started by: the program's path is the system's.
  const auto paths = ModulePaths(reinterpret_cast<const void*>(&CodeOfThisProgram), "m.so");
  ASSERT_EQ(paths.size(), 2U);
  EXPECT_EQ(paths[0], folder + "/vellora2/m.so");
  EXPECT_EQ(paths[1].rfind(folder + "/../", 0), 0U) << paths[1];
  EXPECT_TRUE(paths[1].ends_with("/vellora2/m.so")) << paths[1];

  // Code in a shared library looks beside that library only.
  Dl_info libc{};
  ASSERT_NE(dladdr(reinterpret_cast<const void*>(&::getpid), &libc), 0);
  const std::string library = libc.dli_fname;
  EXPECT_EQ(ModulePaths(reinterpret_cast<const void*>(&::getpid), "m.so"),
            (std::vector<std::string>{library.substr(0, library.rfind('/')) + "/vellora2/m.so"}));
}

}  // namespace
}  // namespace vellora2
