#include "vellora2/elements/cfilesio.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "compound/foreign_lock.hpp"
#include "elements/test_document.hpp"
#include "vellora2/automation/error.hpp"
#include "vellora2/storage/errors.hpp"

namespace vellora2 {
namespace {

using testing::EventLog;
using testing::TestDocument;

// Runs `body`, which must fail, and returns the error.
template <typename Body>
AutomationError ErrorOf(Body&& body) {
  try {
    body();
  } catch (const AutomationError& e) {
    return e;
  }
  ADD_FAILURE() << "no error";
  return AutomationError(0, u"");
}

std::vector<std::u16string> Names(const Variant& v) {
  const auto* names = v.array_if<std::u16string>();
  if (!names) return {};
  EXPECT_EQ(names->LBound(), 0);
  return names->data();
}

TEST(CFilesIOImport, CopiesTheFileInReplacingAndCreatingStoragesWithoutTouchingIt) {
  TestDocument doc;
  CFilesIO files;
  doc.WriteFile("in.txt", "first");
  std::u16string file = doc.Path("in.txt");
  std::u16string name = u"\\Docs\\Sub\\a.txt";
  files.Import(file, name);
  EXPECT_EQ(name, u"Docs\\Sub\\a.txt");
  EXPECT_EQ(doc.StreamBytes(u"Docs\\Sub\\a.txt"), "first");
  EXPECT_TRUE(files.Dirty());

  // Over an existing stream; the bytes of a file with every byte value arrive unchanged.
  std::string all;
  for (int i = 0; i < 256; ++i) all.push_back(static_cast<char>(i));
  doc.WriteFile("in.txt", all);
  files.Import(file, name);
  EXPECT_EQ(doc.StreamBytes(u"Docs\\Sub\\a.txt"), all);
  EXPECT_EQ(doc.ReadFile("in.txt"), all);
  EXPECT_EQ(Names(files.EnumStreams(u"Docs\\Sub")), std::vector<std::u16string>{u"a.txt"});

  // A plain name lands in the root.
  files.Import(doc.Path("in.txt"), u"top");
  EXPECT_EQ(doc.StreamBytes(u"top"), all);
}

TEST(CFilesIOImport, AStreamNamedContentsInTheTargetKeepsItsBytes) {
  TestDocument doc;
  CFilesIO files;
  doc.PutStream(u"Help\\CONTENTS", "the host's own");
  doc.WriteFile("in.bin", "imported");
  files.Import(doc.Path("in.bin"), u"Help\\x");
  EXPECT_EQ(doc.StreamBytes(u"Help\\CONTENTS"), "the host's own");
  EXPECT_EQ(doc.StreamBytes(u"Help\\x"), "imported");
  EXPECT_EQ(doc.TypeAt(u"Help\\CONTENTS_OLD"), 0);

  // Importing as "CONTENTS" itself replaces it.
  files.Import(doc.Path("in.bin"), u"Help\\CONTENTS");
  EXPECT_EQ(doc.StreamBytes(u"Help\\CONTENTS"), "imported");
}

TEST(CFilesIOImport, FailuresCarryTheirFramesAndLeaveDirtyAlone) {
  TestDocument doc;
  CFilesIO files;
  std::u16string missing = u"nowhere.txt";
  auto e = ErrorOf([&] { files.Import(missing, u"x"); });
  EXPECT_EQ(e.number(), rt::kFileNotFound);
  EXPECT_EQ(missing, CurrentThreadState().utility->GetFileFullSpec(u"nowhere.txt"));
  EXPECT_NE(missing, u"nowhere.txt");
  EXPECT_EQ(e.description(), u"The file \"" + missing + u"\" was not found.");
  EXPECT_EQ(e.source(), u"Vellora2.CFilesIO|Vellora.CFilesIO::Import");

  // A stream where a storage should be: CreatePath's frame, then Import's.
  doc.PutStream(u"S", "stream");
  doc.WriteFile("in.txt", "x");
  e = ErrorOf([&] { files.Import(doc.Path("in.txt"), u"S\\T\\x"); });
  EXPECT_EQ(e.number(), STG_E_FILENOTFOUND);
  EXPECT_EQ(e.source(), u"Vellora2.Storage|Vellora.CFilesIO::CreatePath|Vellora.CFilesIO::Import");
  EXPECT_FALSE(files.Dirty());
  EXPECT_TRUE(doc.platform().message_boxes.empty());
}

TEST(CFilesIOImport, AFileHeldByAnotherProgramShowsTheMessageInsteadOfFailing) {
  TestDocument doc;
  CFilesIO files;
  doc.WriteFile("held.txt", "busy");
  const std::u16string held = doc.Path("held.txt");
  // Another open of the file that denies others reading, as a program with the
  // file open for itself does.
  StorageEngine other;
  Storage holder =
      other.CreateStorageFile(held, STGM_CONVERT | STGM_TRANSACTED | STGM_SHARE_EXCLUSIVE | STGM_READWRITE);

  files.Import(held, u"Help\\held");
  ASSERT_EQ(doc.platform().message_boxes.size(), 1u);
  const auto& box = doc.platform().message_boxes[0];
  EXPECT_EQ(box.prompt, u"The file \"" + held +
                            u"\" is already in use.  \r\nPlease close any application that is using it or choose "
                            u"another file.");
  EXPECT_EQ(box.style, 64);
  EXPECT_EQ(box.title, u"Can't open file");
  EXPECT_FALSE(files.Dirty());
  EXPECT_EQ(doc.TypeAt(u"Help\\held"), 0);

  holder.Release();
  // Any program writing the file under an fcntl lock, whole or in part, holds
  // it the same way.
  for (const off_t length : {off_t{0}, off_t{2}}) {
    testing::ForeignLock lock(ToUtf8(held), F_WRLCK, 0, length);
    ASSERT_TRUE(lock.locked());
    files.Import(held, u"Help\\held");
    EXPECT_FALSE(files.Dirty());
  }
  ASSERT_EQ(doc.platform().message_boxes.size(), 3u);
  EXPECT_EQ(doc.platform().message_boxes[2].title, u"Can't open file");
  EXPECT_EQ(doc.TypeAt(u"Help\\held"), 0);

  files.Import(held, u"Help\\held");
  EXPECT_EQ(doc.StreamBytes(u"Help\\held"), "busy");
}

TEST(CFilesIOImport, SubStoragesAreCommittedButTheDocumentFileChangesOnlyWhenSaved) {
  TestDocument doc(true);
  CFilesIO files;
  doc.WriteFile("in.txt", "payload");
  files.Import(doc.Path("in.txt"), u"Help\\h");
  files.Import(doc.Path("in.txt"), u"rootlevel");

  // The committed sub-storage is part of the root's pending state, visible in
  // the document but not yet in its file.
  EXPECT_EQ(doc.StreamBytes(u"Help\\h"), "payload");
  StorageEngine reader;
  const int32_t read_mode = STGM_TRANSACTED | STGM_SHARE_DENY_NONE | STGM_READ;
  EXPECT_EQ(reader.OpenStorageFile(doc.doc_path(), read_mode).ElementType(u"Help"), 0);

  doc.root().Commit();
  Storage saved = reader.OpenStorageFile(doc.doc_path(), read_mode);
  EXPECT_EQ(saved.ElementType(u"rootlevel"), STGTY_STREAM);
  EXPECT_EQ(saved.OpenStorage(u"Help", STGM_SHARE_EXCLUSIVE | STGM_READ).ElementType(u"h"), STGTY_STREAM);
}

class Exported : public ::testing::Test {
 protected:
  // Exports a stream of `size` bytes and returns the events raised.
  std::vector<int> ExportOf(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 + 3);
    doc_.PutStream(u"Images\\s", bytes);
    const std::string out = "out" + std::to_string(size);
    EventLog log;
    const EventConnection connection = files_.Connect(&log);
    files_.Export(u"\\Images\\s", doc_.Path(out));
    EXPECT_EQ(doc_.ReadFile(out), bytes);
    return log.events;
  }
  TestDocument doc_;
  CFilesIO files_;
};

TEST_F(Exported, PercentDoneFollowsTheSixteenthByteThenEveryFifteen) {
  EXPECT_EQ(ExportOf(31), (std::vector<int>{-1, 52, 100, -2}));
  EXPECT_EQ(ExportOf(30), (std::vector<int>{-1, 53, -2}));
  EXPECT_EQ(ExportOf(15), (std::vector<int>{-1, -2}));
  EXPECT_EQ(ExportOf(16), (std::vector<int>{-1, 100, -2}));
  EXPECT_EQ(ExportOf(0), (std::vector<int>{-1, -2}));
  // Of 200 bytes, 31 are 15.5% and 61 are 30.5%: halves round to even.
  const auto events = ExportOf(200);
  EXPECT_EQ(std::vector<int>(events.begin(), events.begin() + 5), (std::vector<int>{-1, 8, 16, 23, 30}));
  EXPECT_FALSE(files_.Dirty());
}

TEST_F(Exported, EventsStayExactAcrossTheCopyBlocks) {
  // Larger than two of Export's blocks, so events fall in three of them.
  const size_t size = (2u << 20) + 1234;
  const auto events = ExportOf(size);
  ASSERT_EQ(events.size(), (size - 1) / 15 + 2);
  for (size_t i = 1; i + 1 < events.size(); ++i) {
    const double at = 1.0 + 15.0 * static_cast<double>(i);
    EXPECT_EQ(events[i], static_cast<int>(RoundHalfEven(at / static_cast<double>(size) * 100.0))) << i;
  }
}

TEST_F(Exported, EverySinkConnectedWhenAnEventIsRaisedGetsIt) {
  // More sinks than Export copies onto the stack. The first disconnects the
  // last at its first event, which the last still gets; the last changes the
  // value it is given, which must not carry over into the next event.
  struct Meddler : EventLog {
    void PercentDone(int16_t& x) override {
      EventLog::PercentDone(x);
      if (victim != nullptr) std::exchange(victim, nullptr)->Disconnect();
      if (change) x = -7;
    }
    EventConnection* victim = nullptr;
    bool change = false;
  };
  std::vector<Meddler> sinks(9);
  std::vector<EventConnection> connections;
  connections.reserve(sinks.size());
  for (auto& sink : sinks) connections.push_back(files_.Connect(&sink));
  sinks.front().victim = &connections.back();
  sinks.back().change = true;
  doc_.PutStream(u"Images\\s", std::string(200, 'x'));
  files_.Export(u"Images\\s", doc_.Path("meddled"));
  const std::vector<int> all{-1, 8, 16, 23, 30, 38, 46, 53, 60, 68, 76, 83, 90, 98, -2};
  for (size_t i = 0; i + 1 < sinks.size(); ++i) EXPECT_EQ(sinks[i].events, all) << i;
  EXPECT_EQ(sinks.back().events, (std::vector<int>{-1, 8}));
}

TEST_F(Exported, ConnectionsDisconnectWhenTheyGoAndOutliveTheirSource) {
  doc_.PutStream(u"Images\\s", std::string(31, 'x'));
  EventLog kept;
  EventConnection kept_connection = files_.Connect(&kept);
  EXPECT_TRUE(kept_connection.Connected());
  // A sink connected twice is connected once; the second connection is empty.
  EXPECT_FALSE(files_.Connect(&kept).Connected());
  EXPECT_FALSE(files_.Connect(nullptr).Connected());
  {
    // A sink that goes away with its connection is never called again.
    auto gone = std::make_unique<EventLog>();
    const EventConnection connection = files_.Connect(gone.get());
    files_.Export(u"Images\\s", doc_.Path("one"));
    EXPECT_EQ(gone->events, (std::vector<int>{-1, 52, 100, -2}));
  }
  files_.Export(u"Images\\s", doc_.Path("two"));
  EXPECT_EQ(kept.events.size(), 8u);
  // Moved, the connection keeps the sink; let go of explicitly, it does not.
  EventConnection moved = std::move(kept_connection);
  EXPECT_TRUE(moved.Connected());
  moved.Disconnect();
  EXPECT_FALSE(moved.Connected());
  files_.Export(u"Images\\s", doc_.Path("three"));
  EXPECT_EQ(kept.events.size(), 8u);

  // The source goes first: the connection it leaves is empty and safe to drop.
  auto files = std::make_unique<CFilesIO>();
  EventConnection orphan = files->Connect(&kept);
  files.reset();
  EXPECT_FALSE(orphan.Connected());
}

TEST_F(Exported, RefusesExistingFilesMissingFoldersAndMissingStreams) {
  doc_.PutStream(u"Images\\s", "abc");
  doc_.WriteFile("there", "old");
  EventLog log;
  EventConnection connection = files_.Connect(&log);
  auto e = ErrorOf([&] { files_.Export(u"Images\\s", doc_.Path("there")); });
  EXPECT_EQ(e.number(), rt::kFileAlreadyExists);
  EXPECT_EQ(e.description(), u"File already exists");
  EXPECT_EQ(e.source(), u"Vellora2.CFilesIO|Vellora.CFilesIO::Export");
  EXPECT_EQ(doc_.ReadFile("there"), "old");

  e = ErrorOf([&] { files_.Export(u"Images\\s", doc_.Path("no/such/folder/f")); });
  EXPECT_EQ(e.number(), rt::kBadFileNameOrNumber);
  // A name longer than the file system takes is a bad name too, not a missing folder.
  e = ErrorOf([&] { files_.Export(u"Images\\s", doc_.Path(std::string(300, 'n'))); });
  EXPECT_EQ(e.number(), rt::kBadFileNameOrNumber);

  e = ErrorOf([&] { files_.Export(u"Images\\nothing", doc_.Path("f")); });
  EXPECT_EQ(e.number(), ioElementNotFound);
  EXPECT_EQ(e.description(), u"Element not found.");
  EXPECT_EQ(e.source(), u"Vellora2.CFilesIO|Vellora.CFilesIO::Export");
  EXPECT_FALSE(doc_.FileExists("f"));
  EXPECT_TRUE(log.events.empty());

  // A host that stops the copy from its event handler: the error comes back
  // through Export, no FinishOperation follows and no partial file stays.
  struct Stopper : EventLog {
    void PercentDone(int16_t& x) override {
      EventLog::PercentDone(x);
      Raise(ioCancel, u"Host", u"stopped");
    }
  } stopper;
  connection = files_.Connect(&stopper);
  doc_.PutStream(u"Images\\long", std::string(100, 'x'));
  e = ErrorOf([&] { files_.Export(u"Images\\long", doc_.Path("f")); });
  EXPECT_EQ(e.number(), ioCancel);
  EXPECT_EQ(e.source(), u"Host|Vellora.CFilesIO::Export");
  EXPECT_EQ(stopper.events, (std::vector<int>{-1, 16}));
  EXPECT_FALSE(doc_.FileExists("f"));

  // Unless another program has locked records in it meanwhile: then the file
  // is theirs too, and stays.
  struct Locker : EventLog {
    void PercentDone(int16_t& x) override {
      EventLog::PercentDone(x);
      lock = std::make_unique<testing::ForeignLock>(path, F_RDLCK, 0, 1);
      Raise(ioCancel, u"Host", u"stopped");
    }
    std::string path;
    std::unique_ptr<testing::ForeignLock> lock;
  } locker;
  locker.path = ToUtf8(doc_.Path("f"));
  connection = files_.Connect(&locker);
  EXPECT_EQ(ErrorOf([&] { files_.Export(u"Images\\long", doc_.Path("f")); }).number(), ioCancel);
  ASSERT_TRUE(locker.lock && locker.lock->locked());
  EXPECT_TRUE(doc_.FileExists("f"));
}

TEST(CFilesIOElements, DeleteRenameAndListing) {
  TestDocument doc;
  CFilesIO files;
  doc.root().CreateStorage(u"Data", testing::kEdit).CreateStorage(u"Inner", testing::kEdit);
  doc.PutStream(u"Data\\b", "1");
  doc.PutStream(u"Data\\a", "2");
  doc.PutStream(u"Data\\Inner\\deep", "3");

  std::u16string where = u"\\Data";
  EXPECT_EQ(Names(files.EnumStreams(where)), (std::vector<std::u16string>{u"a", u"b"}));
  EXPECT_EQ(where, u"Data");
  EXPECT_EQ(Names(files.EnumStorages(u"Data")), std::vector<std::u16string>{u"Inner"});
  EXPECT_EQ(Names(files.EnumStorages()), (std::vector<std::u16string>{u"Data", u"Help", u"Images"}));
  EXPECT_TRUE(files.EnumStreams(u"Help").IsEmpty());
  EXPECT_TRUE(files.EnumStorages(u"Data\\Inner").IsEmpty());

  files.Rename(u"\\Data\\a", u"z");
  EXPECT_FALSE(files.Dirty());
  EXPECT_EQ(doc.StreamBytes(u"Data\\z"), "2");

  std::u16string victim = u"\\Data\\Inner";
  files.Delete(victim);
  EXPECT_EQ(victim, u"Data\\Inner");
  EXPECT_TRUE(files.Dirty());
  EXPECT_TRUE(files.EnumStorages(u"Data").IsEmpty());

  files.Dirty(false);
  auto e = ErrorOf([&] { files.Delete(u"Data\\Inner"); });
  EXPECT_EQ(e.number(), STG_E_FILENOTFOUND);
  EXPECT_EQ(e.source(), u"Vellora2.Storage|Vellora.CFilesIO::Delete");
  EXPECT_FALSE(files.Dirty());
  EXPECT_EQ(ErrorOf([&] { files.Rename(u"Data\\gone", u"x"); }).source(),
            u"Vellora2.Storage|Vellora.CFilesIO::Rename");
  EXPECT_EQ(ErrorOf([&] { files.EnumStreams(u"None"); }).source(), u"Vellora2.Storage|Vellora.CFilessIO::EnumStream");
  EXPECT_EQ(ErrorOf([&] { files.EnumStorages(u"None"); }).source(),
            u"Vellora2.Storage|Vellora.CFilessIO::EnumStorages");
}

TEST(CFilesIOElements, WithoutADocumentEveryOperationFails) {
  CFilesIO files;
  EXPECT_EQ(ErrorOf([&] { files.EnumStreams(); }).number(), rt::kObjectNotSet);
  EXPECT_EQ(ErrorOf([&] { files.Delete(u"x"); }).source(), u"Vellora2.CFilesIO|Vellora.CFilesIO::Delete");
}

}  // namespace
}  // namespace vellora2
