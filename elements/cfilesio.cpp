// CFilesIO's whole-element operations: import, export, delete, rename, listing,
// and its events. The loaded stream is in loaded_stream.cpp.
#include "vellora2/elements/cfilesio.hpp"

#include <algorithm>
#include <array>
#include <vector>

#include "document/thread_state.hpp"
#include "elements/document_access.hpp"
#include "elements/line_list.hpp"
#include "elements/new_disk_file.hpp"
#include "elements/stream_window.hpp"
#include "storage/element_path.hpp"
#include "storage/handler.hpp"
#include "vellora2/automation/error.hpp"
#include "vellora2/platform/platform.hpp"
#include "vellora2/storage/errors.hpp"
#include "vellora2/util/gutility.hpp"

namespace vellora2 {
namespace {

using elements::kBrowse;
using elements::kBrowseTransacted;
using elements::kEdit;
using elements::kEditTransacted;

// Errors this class raises itself carry its programmatic name.
constexpr const char16_t* kSource = u"Vellora2.CFilesIO";

constexpr std::u16string_view kContents = u"CONTENTS";
constexpr std::u16string_view kContentsSetAside = u"CONTENTS_OLD";

// Export moves bytes in blocks of this size but raises PercentDone exactly where
// a byte-by-byte copy would: after the 16th byte, then after every 15 more.
constexpr size_t kExportBlock = 1 << 20;
constexpr uint64_t kFirstPercentAt = 16;
constexpr uint64_t kPercentEvery = 15;

int16_t PercentOf(uint64_t position, uint64_t size) {
  return static_cast<int16_t>(RoundHalfEven(static_cast<double>(position) / static_cast<double>(size) * 100.0));
}

// Calls `raise` on every sink connected when the event is raised, even if a
// handler connects or disconnects sinks. Export raises millions of events, so
// the usual one sink, or a handful, is copied onto the stack rather than the heap.
template <typename Raise>
void ForEachSink(const std::vector<CFilesIOEvents*>& sinks, Raise&& raise) {
  constexpr size_t kOnStack = 8;
  if (sinks.size() == 1) {
    CFilesIOEvents* const only = sinks.front();
    raise(*only);
    return;
  }
  if (sinks.size() > kOnStack) {
    for (auto* sink : std::vector(sinks)) raise(*sink);
    return;
  }
  std::array<CFilesIOEvents*, kOnStack> copy{};
  const size_t count = sinks.size();
  std::copy(sinks.begin(), sinks.end(), copy.begin());
  for (size_t i = 0; i < count; ++i) raise(*copy[i]);
}

}  // namespace

CFilesIO::CFilesIO() : class_debug_id_(NextClassDebugID()), window_(std::make_unique<StreamWindow>()) {}

CFilesIO::~CFilesIO() = default;

// ---- Import ----

void CFilesIO::Import(std::u16string& FileLocation, std::u16string& Name) {
  Storage file_storage;
  Storage target;
  bool set_aside = false;
  try {
    RefuseIfReadOnly(kSource);
    GUtility& utility = elements::ThreadUtility(kSource);
    if (!utility.ExistFileDir(FileLocation)) {
      FileLocation = utility.GetFileFullSpec(FileLocation);
      Raise(rt::kFileNotFound, kSource, u"The file \"" + FileLocation + u"\" was not found.");
    }
    std::u16string storage_path;
    std::u16string stream_name;
    SplitStreamStorage(Name, storage_path, stream_name);
    // The disk file seen as a storage with one stream "CONTENTS"; transacted and
    // never committed, so the file itself is not touched.
    file_storage = elements::DocumentEngine(kSource).CreateStorageFile(
        FileLocation, STGM_CONVERT | STGM_TRANSACTED | STGM_SHARE_DENY_NONE | STGM_READWRITE);
    // A name without storages lands in the root (the engine cannot open "\").
    if (!storage_path.empty()) CreatePath(elements::DocumentRoot(kSource), storage_path);
    target = elements::OpenUnderRoot(storage_path, kEdit, kSource);
    if (target.ElementType(stream_name) == STGTY_STREAM) {
      target.DestroyElement(stream_name);
      elements::CommitUnlessRoot(target);
    }
    target.Release();
    target = elements::OpenUnderRoot(storage_path, kEdit, kSource);
    // CopyTo delivers the bytes as "CONTENTS", so a stream of that name the host
    // keeps there steps aside for the moment.
    if (target.ElementType(kContents) == STGTY_STREAM) {
      target.RenameElement(kContents, kContentsSetAside);
      set_aside = true;
    }
    file_storage.CopyTo(target);
    // Released uncommitted, which leaves the disk file as it was; a revert
    // would read all of it again while the copy still holds it.
    file_storage.Release();
    target.RenameElement(kContents, stream_name);
    if (set_aside) {
      target.RenameElement(kContentsSetAside, kContents);
      set_aside = false;
    }
    elements::CommitUnlessRoot(target);
    target.Release();
    dirty_ = true;
  } catch (AutomationError& e) {
    if (set_aside) {
      try {
        target.RenameElement(kContentsSetAside, kContents);
      } catch (const AutomationError&) {
        // The original error is the one to report.
      }
    }
    target.Release();
    file_storage.Release();
    if (e.number() != rt::kPathFileAccessError) {
      e.AppendSource(u"|Vellora.CFilesIO::Import");
      throw;
    }
    // Another program holds the file: the user can close it and try again,
    // which is not a failure of the host's code.
    CurrentPlatform().MessageBox(u"The file \"" + FileLocation +
                                     u"\" is already in use.  \r\n"
                                     u"Please close any application that is using it or choose another file.",
                                 mb::kOkOnly | mb::kInformation, u"Can't open file");
  }
}

void CFilesIO::Import(std::u16string& FileLocation, std::u16string_view Name) {
  std::u16string name(Name);
  Import(FileLocation, name);
}

void CFilesIO::Import(std::u16string_view FileLocation, std::u16string_view Name) {
  std::u16string file(FileLocation);
  Import(file, Name);
}

// ---- Export ----

void CFilesIO::Export(std::u16string& Name, std::u16string_view FileLocation) {
  Storage storage;
  Stream stream;
  HeldElements held;
  held.Hold(storage);
  held.Hold(stream);
  RunWithFrame(u"|Vellora.CFilesIO::Export", held, [&] {
    GUtility& utility = elements::ThreadUtility(kSource);
    if (utility.ExistFileDir(FileLocation)) Raise(rt::kFileAlreadyExists, kSource);
    if (!utility.ExistFileDir(utility.GetFileDir(FileLocation))) Raise(rt::kBadFileNameOrNumber, kSource);
    std::u16string storage_path;
    std::u16string stream_name;
    SplitStreamStorage(Name, storage_path, stream_name);
    storage = elements::OpenUnderRoot(storage_path, kBrowseTransacted, kSource);
    if (storage.ElementType(stream_name) != STGTY_STREAM) Raise(ioElementNotFound, kSource, u"Element not found.");
    stream = storage.OpenStream(stream_name, kBrowse);

    elements::NewDiskFile file(elements::DocumentEngine(kSource).Files(), FileLocation, kSource);
    RaiseStartOperation();
    // An empty stream gives an empty file (there is no first byte to copy).
    const uint64_t size = stream.Length();
    std::vector<std::byte> block(static_cast<size_t>(std::min<uint64_t>(size, kExportBlock)));
    uint64_t done = 0;
    uint64_t next_percent = kFirstPercentAt;
    while (done < size) {
      const auto want = static_cast<size_t>(std::min<uint64_t>(size - done, block.size()));
      const std::span<std::byte> part(block.data(), want);
      if (stream.Read(part) != want) Raise(STG_E_READFAULT, u"Vellora2.Storage", u"the stream ended early");
      file.Write(part);
      done += want;
      // PercentOf never falls as the position grows, so the events up to the
      // last one that still rounds to the same value can share it: a block of
      // some 70,000 events needs a handful of divisions, not one each.
      while (next_percent <= done) {
        // The first `same` events of the block's remaining ones share `value`;
        // the first `differs` do not, or there are only differs - 1 of them.
        const int16_t value = PercentOf(next_percent, size);
        uint64_t same = 1;
        uint64_t differs = (done - next_percent) / kPercentEvery + 2;
        while (differs - same > 1) {
          const uint64_t mid = same + (differs - same) / 2;
          if (PercentOf(next_percent + (mid - 1) * kPercentEvery, size) == value) {
            same = mid;
          } else {
            differs = mid;
          }
        }
        for (; same > 0; --same, next_percent += kPercentEvery) {
          int16_t x = value;
          // The one sink a host usually has is called here directly.
          if (sinks_.size() == 1) {
            sinks_.front()->PercentDone(x);
          } else {
            RaisePercentDone(x);
          }
        }
      }
    }
    file.Close();
    RaiseFinishOperation();
    stream.Release();
    storage.Release();
  });
}

void CFilesIO::Export(std::u16string_view Name, std::u16string_view FileLocation) {
  std::u16string name(Name);
  Export(name, FileLocation);
}

// ---- Delete and Rename ----

void CFilesIO::Delete(std::u16string& Name) {
  Storage storage;
  HeldElements held;
  held.Hold(storage);
  RunWithFrame(u"|Vellora.CFilesIO::Delete", held, [&] {
    RefuseIfReadOnly(kSource);
    std::u16string storage_path;
    std::u16string element_name;
    SplitStreamStorage(Name, storage_path, element_name);
    storage = elements::OpenUnderRoot(storage_path, kEditTransacted, kSource);
    storage.DestroyElement(element_name);
    elements::CommitUnlessRoot(storage);
    storage.Release();
    dirty_ = true;
  });
}

void CFilesIO::Delete(std::u16string_view Name) {
  std::u16string name(Name);
  Delete(name);
}

void CFilesIO::Rename(std::u16string& OldName, std::u16string_view NewName) {
  DiscardLines();
  Storage storage;
  HeldElements held;
  held.Hold(storage);
  RunWithFrame(u"|Vellora.CFilesIO::Rename", held, [&] {
    RefuseIfReadOnly(kSource);
    std::u16string storage_path;
    std::u16string element_name;
    SplitStreamStorage(OldName, storage_path, element_name);
    storage = elements::OpenUnderRoot(storage_path, kEditTransacted, kSource);
    storage.RenameElement(element_name, NewName);
    elements::CommitUnlessRoot(storage);
    storage.Release();
  });
}

void CFilesIO::Rename(std::u16string_view OldName, std::u16string_view NewName) {
  std::u16string old_name(OldName);
  Rename(old_name, NewName);
}

// ---- Listing ----

Variant CFilesIO::EnumChildren(std::u16string& strStorage, int16_t type, std::u16string_view frame) {
  Storage storage;
  HeldElements held;
  held.Hold(storage);
  return RunWithFrame(frame, held, [&] {
    if (!strStorage.empty() && strStorage.front() == u'\\') strStorage.erase(0, 1);
    storage = elements::OpenUnderRoot(strStorage, kBrowse, kSource);
    std::vector<std::u16string> names;
    int16_t child_type = 0;
    std::u16string name;
    for (storage.NextElement(0, child_type, name); child_type != 0; storage.NextElement(1, child_type, name)) {
      if (child_type == type) names.push_back(name);
    }
    storage.Release();
    return names.empty() ? Variant() : Variant(StringArray(0, std::move(names)));
  });
}

Variant CFilesIO::EnumStreams() {
  std::u16string root;
  return EnumStreams(root);
}

Variant CFilesIO::EnumStreams(std::u16string& strStorage) {
  return EnumChildren(strStorage, STGTY_STREAM, u"|Vellora.CFilessIO::EnumStream");
}

Variant CFilesIO::EnumStreams(std::u16string_view strStorage) {
  std::u16string storage(strStorage);
  return EnumStreams(storage);
}

Variant CFilesIO::EnumStorages() {
  std::u16string root;
  return EnumStorages(root);
}

Variant CFilesIO::EnumStorages(std::u16string& strStorage) {
  return EnumChildren(strStorage, STGTY_STORAGE, u"|Vellora.CFilessIO::EnumStorages");
}

Variant CFilesIO::EnumStorages(std::u16string_view strStorage) {
  std::u16string storage(strStorage);
  return EnumStorages(storage);
}

// ---- Events ----

EventConnection CFilesIO::Connect(CFilesIOEvents* sink) {
  if (sink == nullptr || std::find(sinks_.begin(), sinks_.end(), sink) != sinks_.end()) return {};
  sinks_.push_back(sink);
  return {alive_, [this, sink] { std::erase(sinks_, sink); }};
}

void CFilesIO::RaiseStartOperation() {
  ForEachSink(sinks_, [](CFilesIOEvents& sink) { sink.StartOperation(); });
}

void CFilesIO::RaisePercentDone(int16_t& x) {
  ForEachSink(sinks_, [&x](CFilesIOEvents& sink) { sink.PercentDone(x); });
}

void CFilesIO::RaiseFinishOperation() {
  ForEachSink(sinks_, [](CFilesIOEvents& sink) { sink.FinishOperation(); });
}

}  // namespace vellora2
