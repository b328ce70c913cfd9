// A host that answers one question itself and leaves the rest to the desktop:
// it saves a document under a fixed clock (so that two runs write the same
// stamps), follows the export's progress through an event connection, and
// answers the save prompt of CloseFile with No. Run it with a folder to write in.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "vellora2/automation/error.hpp"
#include "vellora2/automation/text.hpp"
#include "vellora2/compound/clock.hpp"
#include "vellora2/document/cvellora.hpp"
#include "vellora2/platform/forwarding_platform.hpp"

using namespace vellora2;

namespace {

// Every call goes to the real platform but the message box, which says No.
class AnswersNo : public ForwardingPlatform {
 public:
  using ForwardingPlatform::ForwardingPlatform;
  int32_t MessageBox(std::u16string_view prompt, int32_t, std::u16string_view) override {
    std::printf("asked \"%s\": No\n", ToUtf8(prompt).c_str());
    return mb::kNo;
  }
};

// 2024-01-02 03:04:05 UTC, as 100 ns ticks since 1601.
class FixedClock : public compound::Clock {
 public:
  uint64_t Now() const override { return 133487942450000000u; }
};

class Progress : public CVelloraEvents {
 public:
  void PercentDone(int16_t& x) override { std::printf("exported %d%%\n", x); }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  const std::u16string folder = FromUtf8(argv[1]);
  auto previous = SetCurrentPlatform(std::make_shared<AnswersNo>());
  const FixedClock clock;
  const compound::ScopedClock fixed(clock);
  try {
    CVellora doc;
    Progress progress;
    // The progress sink is connected while `connection` lives.
    const EventConnection connection = doc.Connect(&progress);
    doc.NewFile();
    CFilesIO& files = *doc.GetCFilesIO();
    files.Load(u"Notes\\text");
    for (int line = 0; line < 10; ++line) files.PutLine(u"A line of the notes.");
    files.CloseLoadedFile();
    doc.SaveToPath(folder + u"/scripted.qxv");
    std::filesystem::remove(std::string(argv[1]) + "/notes.txt");
    files.Export(u"Notes\\text", folder + u"/notes.txt");
    doc.DocTitle(u"Changed, not saved");
    doc.CloseFile();  // asks whether to save: the host says No
  } catch (const AutomationError& e) {
    std::fprintf(stderr, "error %d: %s\n", e.number(), ToUtf8(e.description()).c_str());
    return 1;
  }
  SetCurrentPlatform(previous);
  return 0;
}
