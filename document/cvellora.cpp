#include "vellora2/document/cvellora.hpp"

#include <algorithm>
#include <array>
#include <optional>
#include <string>

#include <unistd.h>

#include "compound/file.hpp"
#include "document/busy_pointer.hpp"
#include "document/thread_state.hpp"
#include "forms/frm_properties.hpp"
#include "vellora2/automation/text.hpp"
#include "vellora2/dialogs/gcommondialog.hpp"
#include "vellora2/storage/errors.hpp"
#include "vellora2/util/gbytes.hpp"
#include "vellora2/util/gutility.hpp"
#include "vellora2/version.hpp"

namespace vellora2 {
namespace {

// The source of the errors CVellora raises itself.
constexpr std::u16string_view kSource = u"Vellora2.CVellora";

constexpr int32_t kNewMode = STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_READWRITE;                     // 4114
constexpr int32_t kOpenModeBase = STGM_TRANSACTED | STGM_SHARE_DENY_WRITE;                             // 65568
constexpr int32_t kSaveToMode = STGM_TRANSACTED | STGM_CREATE | STGM_SHARE_DENY_WRITE | STGM_READWRITE;  // 69666
constexpr const char16_t* kFilter = u"Quillar Files (*.qxv)|*.qxv|All (*.*)|*.*";
constexpr const char16_t* kAppVersionName = u"AppVersion";
// The user-defined properties of a new document, by position.
constexpr std::array<const char16_t*, 4> kUserPropertyNames = {u"AppVersion", u"Email", u"WebPage", u"PhoneNum"};

GUtility& Utility() {
  auto& u = CurrentThreadState().utility;
  if (!u) Raise(rt::kObjectNotSet, std::u16string(kSource));
  return *u;
}

GCommonDialog& CommonDialog() {
  auto& d = CurrentThreadState().common_dialog;
  if (!d) Raise(rt::kObjectNotSet, std::u16string(kSource));
  return *d;
}

// The file a document is about to be saved over. It is not deleted up front:
// it goes aside under a name beside it and comes back if the save fails before
// the new file is committed, so that a full disk or a failed copy never costs
// the user both files. It is refused while someone holds it: this document
// (which reads its last save from it), another document of this or another
// process, or any program that locks it. POSIX would let us rename it under
// them, and their later commits would go into a file that no longer has its name.
class ReplacedTarget {
 public:
  ReplacedTarget(compound::FileSystem& files, const std::u16string& target)
      : files_(files), path_(ToUtf8(target)), aside_(path_ + ".~" + std::to_string(::getpid()) + "-replaced") {
    compound::RefuseIfHeld(files_, path_, kSource);
    try {
      files_.Rename(path_, aside_);
    } catch (const AutomationError&) {
      Raise(rt::kPathFileAccessError, std::u16string(kSource));
    }
  }
  ReplacedTarget(const ReplacedTarget&) = delete;
  ReplacedTarget& operator=(const ReplacedTarget&) = delete;
  ~ReplacedTarget() = default;

  // The save went through: the old file is no longer wanted. A copy that
  // cannot be removed is only clutter, so it does not fail the save.
  void Drop() noexcept {
    try {
      files_.Remove(aside_);
    } catch (const std::exception&) {
      return;
    }
  }

  // The save failed: whatever it left at the target gives way to the old file.
  // Should that rename fail too, the old file stays under its other name.
  void Restore() noexcept {
    try {
      files_.Rename(aside_, path_);
    } catch (const std::exception&) {
      return;
    }
  }

 private:
  compound::FileSystem& files_;
  std::string path_;
  std::string aside_;
};

// "AppVersion" is found as AddUserProperty replaces it, without regard to
// case, so that a file never ends up with two. The name is ASCII, so folding
// ASCII letters is enough to tell.
bool SameNameIgnoringCase(std::u16string_view a, std::u16string_view b) {
  auto fold = [](char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c; };
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [&](char16_t x, char16_t y) { return fold(x) == fold(y); });
}

bool IsBlank(const std::u16string& s) {
  return std::all_of(s.begin(), s.end(), [](char16_t c) { return c == u' '; });
}

// Runs a step whose failure the caller chose to ignore.
template <typename Step>
void Quietly(Step&& step) {
  try {
    step();
  } catch (const AutomationError&) {  // NOLINT(bugprone-empty-catch): the step is optional
  }
}

}  // namespace

// CVellora's side of its CFilesIO's events: they pass straight through to the host.
class CVellora::FilesIOForwarder : public CFilesIOEvents {
 public:
  explicit FilesIOForwarder(CVellora& owner) : owner_(owner) {}
  void StartOperation() override {
    for (auto* sink : std::vector(owner_.sinks_)) sink->StartOperation();
  }
  void PercentDone(int16_t& x) override {
    for (auto* sink : std::vector(owner_.sinks_)) sink->PercentDone(x);
  }
  void FinishOperation() override {
    for (auto* sink : std::vector(owner_.sinks_)) sink->FinishOperation();
  }

 private:
  CVellora& owner_;
};

CVellora::CVellora() : forwarder_(std::make_unique<FilesIOForwarder>(*this)) {
  // A failing step ends construction quietly: the object exists with the steps before it.
  try {
    mClassDebugID = NextClassDebugID();
    mCImagesIO = std::make_shared<CImagesIO>();
    mCFilesIO = std::make_shared<CFilesIO>();
    forwarding_ = mCFilesIO->Connect(forwarder_.get());
    mCObjectsIO = std::make_shared<CObjectsIO>();
    mCHelpIO = std::make_shared<CHelpIO>();
    auto& state = CurrentThreadState();
    state.utility = std::make_shared<GUtility>();
    state.common_dialog = std::make_shared<GCommonDialog>();
    state.bytes = std::make_shared<GBytes>();
    mTempStoreHandle = -1;
    mOpenMode = 2;
    state.gStorageEngine = std::make_shared<StorageEngine>();
  } catch (const AutomationError&) {  // NOLINT(bugprone-empty-catch)
  }
}

CVellora::~CVellora() {
  auto& state = CurrentThreadState();
  // A modeless File Properties window shows the thread's document, which goes
  // away with this object: close it first, so it never writes to a dead object.
  if (auto* form = LoadedPropertiesForm()) form->Unload();
  mProbeStorage.Release();
  mCHelpIO.reset();
  mCObjectsIO.reset();
  forwarding_.Disconnect();
  mCFilesIO.reset();
  mCImagesIO.reset();
  state.utility.reset();
  state.bytes.reset();
  state.common_dialog.reset();
  if (mTempStoreHandle > 0 && state.gStorageEngine) {
    Quietly([&] { state.gStorageEngine->ReleaseTempStore(mTempStoreHandle); });
    mTempStoreHandle = 0;
  }
  // Released without a commit: changes not saved are lost.
  state.gRootStorage.Release();
  state.read_only = false;
  state.gStorageEngine.reset();
}

void CVellora::SetCFilesIO(std::shared_ptr<CFilesIO> value) {
  forwarding_.Disconnect();
  mCFilesIO = std::move(value);
  if (mCFilesIO) forwarding_ = mCFilesIO->Connect(forwarder_.get());
}

bool CVellora::blnDocumentOpen() const { return static_cast<bool>(CurrentThreadState().gRootStorage); }

bool CVellora::blnReadOnly() const { return blnDocumentOpen() && CurrentThreadState().read_only; }

int32_t CVellora::DialogBoxParentHwnd() const { return mDialogBoxParentHwnd <= 0 ? -1 : mDialogBoxParentHwnd; }

namespace {

// Every element object is asked (and set) in turn, so one set to nothing is
// error 91 whatever the others say.
template <typename Element>
Element& ElementObject(const std::shared_ptr<Element>& element) {
  if (!element) Raise(rt::kObjectNotSet, std::u16string(kSource));
  return *element;
}

}  // namespace

bool CVellora::Dirty() const {
  bool dirty = mDirty;
  dirty = ElementObject(mCFilesIO).Dirty() || dirty;
  dirty = ElementObject(mCHelpIO).Dirty() || dirty;
  dirty = ElementObject(mCImagesIO).Dirty() || dirty;
  return ElementObject(mCObjectsIO).Dirty() || dirty;
}

void CVellora::Dirty(bool value) {
  if (value) RefuseIfReadOnly(kSource);
  mDirty = value;
  ElementObject(mCFilesIO).Dirty(value);
  ElementObject(mCHelpIO).Dirty(value);
  ElementObject(mCImagesIO).Dirty(value);
  ElementObject(mCObjectsIO).Dirty(value);
}

EventConnection CVellora::Connect(CVelloraEvents* sink) {
  if (sink == nullptr || std::find(sinks_.begin(), sinks_.end(), sink) != sinks_.end()) return {};
  sinks_.push_back(sink);
  return {alive_, [this, sink] { std::erase(sinks_, sink); }};
}

bool CVellora::RaiseIsCorrectFileType() {
  bool correct = true;
  for (auto* sink : std::vector(sinks_)) sink->IsCorrectFileType(correct);
  return correct;
}

// ---- Application identity ----

std::u16string CVellora::AppName() {
  if (IsBlank(mAppName)) mAppName = kProductName;
  return mAppName;
}

void CVellora::AppName(const std::u16string& vData) {
  mAppName = vData;
  auto& root = CurrentThreadState().gRootStorage;
  // A read-only document keeps its own; the object's text changes all the same.
  if (!root || CurrentThreadState().read_only) return;
  Quietly([&] {
    root.ApplicationName(AppName());
    root.WriteSummaryInfo();
    mDirty = true;
  });
}

std::u16string CVellora::AppVersion() {
  if (IsBlank(mAppVersion)) mAppVersion = U16(std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor));
  return mAppVersion;
}

void CVellora::AppVersion(const std::u16string& vData) {
  mAppVersion = vData;
  auto& root = CurrentThreadState().gRootStorage;
  if (!root || CurrentThreadState().read_only) return;
  // Each step that fails is skipped and the next one still runs.
  Quietly([&] { root.ReadUserProperties(); });
  Quietly([&] { root.AddUserProperty(kAppVersionName, Variant(mAppVersion)); });
  Quietly([&] { root.WriteUserProperties(); });
  mDirty = true;
}

void CVellora::RestoreAppInfo() {
  auto& root = CurrentThreadState().gRootStorage;
  if (!root) return;
  mAppName = root.ApplicationName();
  if (mAppVersionIndex >= 0) mAppVersion = root.UserPropertyValue(mAppVersionIndex).ToString();
}

// ---- Creating, opening and closing ----

bool CVellora::NewFile() {
  BusyPointer busy;
  CloseFile();
  CreateDocument(std::nullopt);
  return true;
}

void CVellora::CreateDocument(std::optional<Date> created) {
  auto& state = CurrentThreadState();
  StorageEngine& engine = RequireEngine(kSource);
  mTempStoreHandle = engine.CreateTempStore();
  state.gRootStorage = engine.CreateRootStorage(u"DocumentRoot", kNewMode, mTempStoreHandle);
  Storage& root = state.gRootStorage;
  for (const char16_t* name : {u"Databases", u"DecisionTreeData", u"Help", u"Images", u"Settings"}) {
    root.CreateStorage(name, kNewMode).Release();
  }
  mAppVersionIndex = static_cast<int16_t>(root.AddUserProperty(kAppVersionName, Variant(AppVersion())));
  for (const char16_t* name : {u"Email", u"WebPage", u"PhoneNum"}) root.AddUserProperty(name, Variant(u""));
  root.WriteUserProperties();
  root.ApplicationName(AppName());
  if (created) {
    root.Created(*created);
  } else {
    root.StampCreated();
  }
  root.EditTime(0);
  root.WriteSummaryInfo();
  root.Commit(STGC_DEFAULT);
  root.StartEditClock();
  Dirty(false);
}

bool CVellora::OpenFileReadOnly(std::u16string_view file) {
  mOpenMode = 0;
  const bool opened = OpenFile(file);
  if (!opened) mOpenMode = 2;
  return opened;
}

bool CVellora::OpenFile(std::u16string_view file) {
  BusyPointer busy;
  auto& state = CurrentThreadState();
  std::u16string path;
  std::u16string name;
  if (!file.empty()) {
    if (!Utility().ExistFileDir(file)) return false;
    int32_t file_part = 0, ext_part = 0, dir_part = 0;
    path = Utility().GetFullPath(file, file_part, ext_part, dir_part);
    name = Utility().GetFileBaseExt(file);
  } else {
    bool read_only = false;
    std::u16string filter = kFilter;
    int32_t filter_index = 1;
    int32_t flags = 0;
    if (!CommonDialog().VBGetOpenFileName(path, name, true, false, read_only, true, filter, filter_index, u"",
                                          u"Open Project", u"", mDialogBoxParentHwnd, flags)) {
      RestoreAppInfo();
      return false;
    }
  }
  StorageEngine& engine = RequireEngine(kSource);
  if (!engine.IsStorageFile(path)) {
    CurrentPlatform().MessageBox(u"BadFile!", mb::kOkOnly, kProductName);
    return false;
  }

  // Look at the candidate before giving up the open document. The probe is let go
  // on an error too, so that a failed open does not keep the file locked.
  int16_t candidate = -1;
  try {
    mProbeStorage = engine.OpenStorageFile(path, mOpenMode | kOpenModeBase);
    mProbeStorage.ReadUserProperties();
    mProbeStorage.ReadSummaryInfo();
    const int32_t count = mProbeStorage.UserPropertyCount();
    for (int16_t i = 0; i < count; ++i) {
      if (SameNameIgnoringCase(mProbeStorage.UserPropertyName(i), kAppVersionName)) {
        candidate = i;
        break;
      }
      if (i == INT16_MAX) Raise(rt::kOverflow);
    }
    mAppName = mProbeStorage.ApplicationName();
    if (candidate != -1) mAppVersion = mProbeStorage.UserPropertyValue(candidate).ToString();
    mProbeStorage.Release();
  } catch (...) {
    mProbeStorage.Release();
    throw;
  }

  if (!RaiseIsCorrectFileType()) {
    RestoreAppInfo();
    return false;
  }

  const uint8_t open_mode = mOpenMode;
  CloseFile();
  mOpenMode = open_mode;
  state.gRootStorage = engine.OpenStorageFile(path, mOpenMode | kOpenModeBase);
  mAppVersionIndex = candidate;
  state.read_only = mOpenMode == 0;
  strFileName(name);
  strFilePath(path);
  Storage& root = state.gRootStorage;
  root.ReadSummaryInfo();
  root.StartEditClock();
  // A read-only document can never be committed, so its summary is not rewritten.
  if (mOpenMode != 0) root.WriteSummaryInfo();
  Dirty(false);
  return true;
}

void CVellora::CloseFile() {
  BusyPointer busy;
  mOpenMode = 2;
  if (Dirty()) {
    const int32_t answer = CurrentPlatform().MessageBox(u"Would you like to save your changes?",
                                                        mb::kYesNoCancel | mb::kQuestion, u"Save Changes?");
    // Cancel keeps the document open, as the user asked, and tells the caller
    // (NewFile, OpenFile) to stop, as a cancelled Save As dialog does.
    if (answer == mb::kCancel) throw AutomationError(ioCancel, std::u16string(kSource), u"");
    if (answer == mb::kYes) {
      if (mTempStoreHandle > 0) {
        SaveAsFile();
      } else {
        SaveFile();
      }
    }
  }
  strFileName(u"");
  strFilePath(u"");
  mProbeStorage.Release();
  // A stream still loaded holds the closed document's root: a later Load would
  // commit it into the file the user chose not to save.
  if (mCFilesIO) mCFilesIO->DiscardLoadedStream();
  auto& state = CurrentThreadState();
  state.gRootStorage.Release();
  state.read_only = false;
  if (mTempStoreHandle > 0) {
    RequireEngine(kSource).ReleaseTempStore(mTempStoreHandle);
    mTempStoreHandle = -1;
  }
  Dirty(false);
}

void CVellora::Revert() {
  BusyPointer busy;
  Storage& root = RequireRoot(kSource);
  // The loaded stream's changes since the last save go with the rest; left
  // loaded, its storage would bring them back at the next save.
  if (mCFilesIO) mCFilesIO->DiscardLoadedStream();
  if (mTempStoreHandle > 0) {
    // A document that was never saved lives in a store that cannot go back: it
    // is made again as NewFile made it, created when it was first created.
    // Only clearing the flags would let the next CloseFile drop the edits
    // without asking.
    const Date created = root.Created();
    root.Release();
    RequireEngine(kSource).ReleaseTempStore(mTempStoreHandle);
    mTempStoreHandle = -1;
    CreateDocument(created);
    return;
  }
  root.Revert();
  Dirty(false);
}

std::u16string CVellora::GetTitle() { return RequireRoot(kSource).Title(); }

// ---- Saving ----

Variant CVellora::SaveToPath(const std::u16string& strPath) {
  BusyPointer busy;
  auto& state = CurrentThreadState();
  // Checked first, so that a missing document never costs the file at the target.
  Storage old_root = RequireRoot(kSource);
  const std::u16string name = Utility().GetFileBaseExt(strPath);
  std::optional<ReplacedTarget> replaced;
  if (Utility().ExistFileDir(strPath)) replaced.emplace(*RequireEngine(kSource).Files(), strPath);
  // The document moves to the new file only once that file is committed: until
  // then a failure leaves the document where it was and the target as it was.
  Storage new_root;
  try {
    new_root = RequireEngine(kSource).CreateStorageFile(strPath, kSaveToMode);
    // The edit clock runs in the storage object: bank the time counted so far into
    // the copy, and let the clock run on in the new root.
    Quietly([&] {
      old_root.StopEditClock();
      old_root.WriteSummaryInfo();
    });
    // The loaded stream's changes wait in its own storage until it is closed:
    // they go into what is copied, or they would stay behind in the old root.
    if (mCFilesIO) mCFilesIO->CommitLoadedStream();
    old_root.CopyTo(new_root);
    new_root.StartEditClock();
    CommitRoot(new_root);
  } catch (...) {
    const bool created = static_cast<bool>(new_root);
    new_root = Storage();
    if (created) Quietly([&] { RequireEngine(kSource).Files()->Remove(ToUtf8(strPath)); });
    if (replaced) replaced->Restore();
    Quietly([&] { old_root.StartEditClock(); });
    throw;
  }
  if (replaced) replaced->Drop();
  state.gRootStorage = new_root;
  state.read_only = false;
  if (mTempStoreHandle > 0) {
    RequireEngine(kSource).ReleaseTempStore(mTempStoreHandle);
    mTempStoreHandle = -1;
  }
  strFileName(name);
  strFilePath(strPath);
  // The host goes on with the stream it loaded, now in the new file.
  if (mCFilesIO) mCFilesIO->ReopenLoadedStream();
  Dirty(false);
  return Variant();
}

void CVellora::SaveAsFile() {
  BusyPointer busy;
  std::u16string path;
  std::u16string title;
  std::u16string filter = kFilter;
  int32_t filter_index = 1;
  int32_t flags = 0;
  if (!CommonDialog().VBGetSaveFileName(path, title, true, filter, filter_index, mFilePath, u"Save Project", u".qxv",
                                        mDialogBoxParentHwnd, flags)) {
    throw AutomationError(ioCancel, std::u16string(kSource), u"");
  }
  SaveToPath(path);
}

void CVellora::SaveFile() {
  BusyPointer busy;
  if (mFileName.empty()) {
    SaveAsFile();
    return;
  }
  RefuseIfReadOnly(kSource);
  if (mCFilesIO) mCFilesIO->CloseLoadedFile();
  CommitToFile();
}

void CVellora::CommitToFile() {
  CommitRoot(RequireRoot(kSource));
  Dirty(false);
}

void CVellora::CommitRoot(Storage& root) {
  root.ReadSummaryInfo();
  const int32_t before = root.EditTime();
  root.StopEditClock();
  root.StampSaved();
  const int32_t after = root.EditTime();
  const int64_t grown = static_cast<int64_t>(after) - before;
  if (grown < INT32_MIN || grown > INT32_MAX) Raise(rt::kOverflow);
  if (grown > 100000) {
    // A clock that ran away: count whole days between creation and this save instead.
    const double days = root.LastSaved().value - root.Created().value;
    root.EditTime(Variant(days).ToLong());
  }
  root.AdvanceRevision();
  root.WriteSummaryInfo();
  root.WriteDocSummaryInfo();
  root.WriteUserProperties();
  root.Commit(STGC_DEFAULT);
}

// ---- Summary and user properties ----

// A change marks the document dirty only when the text really differs (case counts).
#define VELLORA2_SUMMARY_PROPERTY(Property, Item, Writer)              \
  std::u16string CVellora::Property() { return RequireRoot(kSource).Item(); } \
  void CVellora::Property(const std::u16string& value) {               \
    Storage& root = RequireRoot(kSource);                                     \
    RefuseIfReadOnly(kSource);                                         \
    if (root.Item() == value) return;                                  \
    Dirty(true);                                                       \
    root.Item(value);                                                  \
    root.Writer();                                                     \
  }

VELLORA2_SUMMARY_PROPERTY(DocTitle, Title, WriteSummaryInfo)
VELLORA2_SUMMARY_PROPERTY(DocSubject, Subject, WriteSummaryInfo)
VELLORA2_SUMMARY_PROPERTY(DocAuthor, Author, WriteSummaryInfo)
VELLORA2_SUMMARY_PROPERTY(DocKeywords, Keywords, WriteSummaryInfo)
VELLORA2_SUMMARY_PROPERTY(DocComments, Comments, WriteSummaryInfo)
VELLORA2_SUMMARY_PROPERTY(DocCompany, Company, WriteDocSummaryInfo)
#undef VELLORA2_SUMMARY_PROPERTY

std::u16string CVellora::UserPropertyText(int32_t index) { return RequireRoot(kSource).UserPropertyValue(index).ToString(); }

void CVellora::SetUserPropertyText(int32_t index, std::u16string_view name, const std::u16string& value) {
  Storage& root = RequireRoot(kSource);
  RefuseIfReadOnly(kSource);
  if (root.UserPropertyValue(index).ToString() == value) return;
  Dirty(true);
  // A compound file made elsewhere may have no user-defined properties, or
  // fewer: the slots up to this one are made as NewFile makes them.
  for (int32_t slot = root.UserPropertyCount(); slot < index; ++slot) {
    const int32_t at =
        root.AddUserProperty(kUserPropertyNames.at(static_cast<size_t>(slot)), Variant(slot == 0 ? AppVersion() : u""));
    if (slot == 0 && mAppVersionIndex < 0) mAppVersionIndex = static_cast<int16_t>(at);
  }
  if (root.UserPropertyCount() == index) {
    root.AddUserProperty(name, Variant(value));
  } else {
    root.SetUserProperty(index, name, Variant(value));
  }
  root.WriteUserProperties();
}

std::u16string CVellora::DocEmail() { return UserPropertyText(Email); }
void CVellora::DocEmail(const std::u16string& strEmail) { SetUserPropertyText(Email, u"Email", strEmail); }
std::u16string CVellora::DocWebPage() { return UserPropertyText(WebPage); }
void CVellora::DocWebPage(const std::u16string& strWebPage) { SetUserPropertyText(WebPage, u"WebPage", strWebPage); }
std::u16string CVellora::DocPhoneNum() { return UserPropertyText(PhoneNum); }
void CVellora::DocPhoneNum(const std::u16string& strPhoneNum) {
  SetUserPropertyText(PhoneNum, u"PhoneNum", strPhoneNum);
}

}  // namespace vellora2
