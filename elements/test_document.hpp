// For the element tests: a document open on the test's thread as CVellora would
// leave it (engine, root storage with "Images" and "Help", the thread's
// GUtility), a scripted platform for the message boxes, and a private folder for
// disk files. Everything is undone when the test ends.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "document/thread_state.hpp"
#include "platform/scripted_platform.hpp"
#include "vellora2/automation/text.hpp"
#include "vellora2/compound/stgm.hpp"
#include "vellora2/elements/cfilesio.hpp"
#include "vellora2/util/gutility.hpp"

namespace vellora2::testing {

inline constexpr int32_t kEdit = STGM_SHARE_EXCLUSIVE | STGM_READWRITE;

class TestDocument {
 public:
  // `file_backed`: the root is a transacted file in the folder (as OpenFile
  // leaves it) rather than a temporary store (as NewFile does). `files`: the
  // engine's file system, when not the disk's.
  explicit TestDocument(bool file_backed = false, std::shared_ptr<compound::FileSystem> files = nullptr)
      : platform_(std::make_shared<ScriptedPlatform>()), old_platform_(SetCurrentPlatform(platform_)) {
    std::string pattern = (std::filesystem::temp_directory_path() / "vellora2-elements-XXXXXX").string();
    dir_ = ::mkdtemp(pattern.data());
    auto& state = CurrentThreadState();
    state.gStorageEngine =
        files ? std::make_shared<StorageEngine>(std::move(files)) : std::make_shared<StorageEngine>();
    state.utility = std::make_shared<GUtility>();
    if (file_backed) {
      doc_path_ = Path("doc.qxv");
      state.gStorageEngine->CreateStorageFile(doc_path_, STGM_CREATE | kEdit).Commit();
      state.gRootStorage = state.gStorageEngine->OpenStorageFile(
          doc_path_, STGM_TRANSACTED | STGM_SHARE_DENY_WRITE | STGM_READWRITE);
    } else {
      state.gRootStorage = state.gStorageEngine->CreateRootStorage(
          u"doc", STGM_CREATE | STGM_TRANSACTED | kEdit, state.gStorageEngine->CreateTempStore());
    }
    root().CreateStorage(u"Images", kEdit);
    root().CreateStorage(u"Help", kEdit);
  }
  ~TestDocument() {
    auto& state = CurrentThreadState();
    state.gRootStorage.Release();
    state.gStorageEngine.reset();
    state.utility.reset();
    SetCurrentPlatform(old_platform_);
    std::filesystem::remove_all(dir_);
  }
  TestDocument(const TestDocument&) = delete;
  TestDocument& operator=(const TestDocument&) = delete;

  Storage& root() { return CurrentThreadState().gRootStorage; }
  StorageEngine& engine() { return *CurrentThreadState().gStorageEngine; }
  ScriptedPlatform& platform() { return *platform_; }
  const std::u16string& doc_path() const { return doc_path_; }

  // Disk files in the test's folder.
  std::u16string Path(std::string_view name) const { return FromUtf8((dir_ / name).string()); }
  void WriteFile(std::string_view name, std::string_view bytes) const {
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
  }
  std::string ReadFile(std::string_view name) const {
    std::ifstream in(dir_ / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  bool FileExists(std::string_view name) const { return std::filesystem::exists(dir_ / name); }

  // Streams by element path, read and written whole.
  std::string StreamBytes(std::u16string_view path) {
    Stream s = OpenStreamAt(path, STGM_SHARE_EXCLUSIVE | STGM_READ);
    std::string bytes(s.Length(), '\0');
    s.Read(std::as_writable_bytes(std::span(bytes)));
    return bytes;
  }
  void PutStream(std::u16string_view path, std::string_view bytes) {
    const auto cut = path.rfind(u'\\');
    Storage parent = cut == std::u16string_view::npos ? root() : root().OpenStorage(path.substr(0, cut), kEdit);
    Stream s = parent.CreateStream(cut == std::u16string_view::npos ? path : path.substr(cut + 1),
                                   STGM_CREATE | kEdit);
    s.Write(std::as_bytes(std::span(bytes)));
  }
  int16_t TypeAt(std::u16string_view path) {
    const auto cut = path.rfind(u'\\');
    if (cut == std::u16string_view::npos) return root().ElementType(path);
    return root().OpenStorage(path.substr(0, cut), STGM_SHARE_EXCLUSIVE | STGM_READ).ElementType(path.substr(cut + 1));
  }

 private:
  Stream OpenStreamAt(std::u16string_view path, int32_t mode) {
    const auto cut = path.rfind(u'\\');
    if (cut == std::u16string_view::npos) return root().OpenStream(path, mode);
    // The stream handle keeps what it needs of its storage.
    return root().OpenStorage(path.substr(0, cut), mode).OpenStream(path.substr(cut + 1), mode);
  }

  std::shared_ptr<ScriptedPlatform> platform_;
  std::shared_ptr<Platform> old_platform_;
  std::filesystem::path dir_;
  std::u16string doc_path_;
};

// Records CFilesIO's events in order: "start", the PercentDone values, "finish".
class EventLog : public CFilesIOEvents {
 public:
  void StartOperation() override { events.push_back(-1); }
  void PercentDone(int16_t& x) override { events.push_back(x); }
  void FinishOperation() override { events.push_back(-2); }
  std::vector<int> events;
};

}  // namespace vellora2::testing
