#include "vellora2/storage/errors.hpp"

#include <gtest/gtest.h>

#include <vector>

#include "storage/handler.hpp"
#include "vellora2/compound/stgm.hpp"

namespace vellora2 {
namespace {

std::u16string Text(int32_t number) { return StorageErrorText(number, u"given").ToString(); }

TEST(StorageErrorText, EveryRowWithItsExactText) {
  const std::u16string access =
      u"Access to the specified file or element is denied.  The file or element may already be opened by another "
      u"party.";
  const std::vector<std::pair<uint32_t, std::u16string>> rows{
      {0x80030002, u"The file or the specified element (storage or stream) could not be found."},
      {0x80030003, u"The path to the file could not be found."},
      {0x80030004, u"There are insufficient resources to open another file"},
      {0x80030005, access},
      {0x80030008, u"System error: insufficient memory available to complete operation."},
      {0x80030013, u"Disk is write protected."},
      {0x80030019,
       u"An error occured during a seek operation.  You may have moved beyond the size of the stream."},
      {0x8003001D,
       u"A disk error occured during a write operation.  There might be a problem with the drive itself."},
      {0x8003001E,
       u"A disk error occured during a read operation.  There might be a problem with the drive itself."},
      {0x80030020, access},
      {0x80030050,
       u"The named file or element already exists.  Try using a different name or delete the element first."},
      {0x80030070, u"There is insufficient disk space to complete the operation."},
      {0x800300FA,
       u"An API call exited abnormally. This may indicate Windows is unstable, or that something is wrong with "
       u"the drive."},
      {0x800300FC,
       u"The name is not valid. Element names are limited to 32 characters, and some punctuation is not allowed. "
       u"Filenames have limits that depend on the operating system you are running under."},
      {0x800300FF, u"Invalid Flag Error."},
      {0x80030102,
       u"Attempted to use an object that has ceased to exist. One of the parent storages may have been deleted."},
      {0x80030109, u"The Document or memory has been corrupted."},
      {0x80030201, u"The file download was aborted abnormally. The file is incomplete."},
      {30008, u"Out of memory in component, usually as a result of lack of memory in the system."},
  };
  for (const auto& [number, text] : rows) {
    EXPECT_EQ(Text(static_cast<int32_t>(number)), text) << std::hex << number;
  }
}

TEST(StorageErrorText, OtherCodesKeepTheirDescription) {
  EXPECT_EQ(Text(STG_E_INVALIDHEADER), u"given");
  EXPECT_EQ(Text(STG_E_LOCKVIOLATION), u"given");
  EXPECT_EQ(Text(53), u"given");
  EXPECT_EQ(StorageErrorText(0x30008, u"").ToString(), u"");  // the hex look-alike of 30008 is not it
  EXPECT_EQ(StorageErrorText(STG_E_FILENOTFOUND, u"x").type(), VarType::String);
}

struct FakeHandle {
  std::vector<int>* log;
  int id;
  void Release() { log->push_back(id); }
};

TEST(Handler, ReleasesMostRecentFirstThenAddsTheFrame) {
  std::vector<int> log;
  FakeHandle storage{&log, 1};
  FakeHandle stream{&log, 2};
  HeldElements held;
  try {
    RunWithFrame(u"|Vellora.CFilesIO::Delete", held, [&] {
      held.Hold(storage);
      held.Hold(stream);
      Raise(STG_E_FILENOTFOUND, u"Vellora2.Storage", u"not there");
    });
    FAIL();
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.source(), u"Vellora2.Storage|Vellora.CFilesIO::Delete");
    EXPECT_EQ(e.description(), u"not there");
  }
  EXPECT_EQ(log, (std::vector<int>{2, 1}));

  HeldElements none;
  try {
    RunWithStorageMessage(u"|Vellora.CFilesIO::Load", none, [] { Raise(STG_E_ACCESSDENIED, u"S", u"raw"); });
    FAIL();
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), STG_E_ACCESSDENIED);
    EXPECT_EQ(e.source(), u"S|Vellora.CFilesIO::Load");
    EXPECT_EQ(e.description().substr(0, 26), u"Access to the specified fi");
  }
}

}  // namespace
}  // namespace vellora2
