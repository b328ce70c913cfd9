#include "vellora2/elements/chelpio.hpp"

#include <gtest/gtest.h>

#include <string>

#include "elements/test_document.hpp"
#include "vellora2/automation/error.hpp"

namespace vellora2 {
namespace {

using testing::TestDocument;

TEST(CHelpIO, ImportExportRemoveAndExistFile) {
  TestDocument doc;
  CHelpIO help;
  EXPECT_FALSE(help.ExistFile());
  doc.WriteFile("app.hlp", "help text");
  help.Import(doc.Path("app.hlp"));
  EXPECT_TRUE(help.Dirty());
  EXPECT_TRUE(help.ExistFile());
  EXPECT_EQ(doc.StreamBytes(u"Help\\QuiHelp.hlp"), "help text");

  help.Export(doc.Path("out.hlp"));
  EXPECT_EQ(doc.ReadFile("out.hlp"), "help text");
  doc.WriteFile("taken.hlp", "mine");
  help.Export(doc.Path("taken.hlp"));
  help.Export(doc.Path("no/folder/x.hlp"));
  EXPECT_EQ(doc.ReadFile("taken.hlp"), "mine");

  help.Dirty(false);
  help.Remove();
  EXPECT_TRUE(help.Dirty());
  EXPECT_FALSE(help.ExistFile());
  help.Dirty(false);
  help.Remove();
  EXPECT_FALSE(help.Dirty());
  help.Export(doc.Path("none.hlp"));
  EXPECT_FALSE(doc.FileExists("none.hlp"));

  std::u16string missing = u"gone.hlp";
  EXPECT_THROW(help.Import(missing), AutomationError);
  EXPECT_EQ(missing, CurrentThreadState().utility->GetFileFullSpec(u"gone.hlp"));
  EXPECT_FALSE(help.Dirty());

  doc.root().DestroyElement(u"Help");
  try {
    help.ExistFile();
    ADD_FAILURE() << "no error";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), STG_E_FILENOTFOUND);
    EXPECT_EQ(e.source(), u"Vellora2.Storage");
  }
}

}  // namespace
}  // namespace vellora2
