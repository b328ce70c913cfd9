// The example of README.md as a host writes it, followed by a check that the
// document holds what it wrote.
#include <vellora2/compound/storage_engine.hpp>

#include <cstdio>
#include <string>

int main() {
  vellora2::StorageEngine engine;
  // README.md's text, character for character.
  // clang-format off
  {
  auto root = engine.CreateStorageFile(u"project.qxv",
      vellora2::STGM_READWRITE | vellora2::STGM_SHARE_EXCLUSIVE | vellora2::STGM_TRANSACTED);
  auto stream = root.CreateStream(u"Notes", vellora2::STGM_READWRITE | vellora2::STGM_SHARE_EXCLUSIVE);
  stream.WriteValue(-1, vellora2::Variant(u"hello"));
  root.Commit();   // the file changes here, all at once
  }
  // clang-format on

  auto again = engine.OpenStorageFile(u"project.qxv", vellora2::STGM_READ | vellora2::STGM_SHARE_DENY_WRITE);
  auto notes = again.OpenStream(u"Notes", vellora2::STGM_READ | vellora2::STGM_SHARE_EXCLUSIVE);
  vellora2::Variant value(std::u16string(5, u' '));  // a String reads one byte per character
  notes.ReadValue(0, value);
  if (value.ToString() != u"hello") {
    std::fputs("readme_example: the stream does not hold what was written\n", stderr);
    return 1;
  }
  std::puts("readme_example: ok");
  return 0;
}
