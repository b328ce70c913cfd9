// CVellora: the chief object. It creates, opens, saves, reverts and closes the
// thread's one open document, keeps its summary and user properties and the
// identity of the application that writes it, and hands out the element objects.
//
// The open document belongs to the thread, not to the object: a second CVellora
// on the same thread shares it, and destroying any CVellora closes it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "vellora2/automation/variant.hpp"
#include "vellora2/compound/storage_engine.hpp"
#include "vellora2/elements/cfilesio.hpp"
#include "vellora2/elements/chelpio.hpp"
#include "vellora2/elements/cimagesio.hpp"
#include "vellora2/elements/cobjectsio.hpp"

namespace vellora2 {

// Positions of the standard user-defined properties.
enum ioDocUserProperties : int32_t {
  Email = 1,
  WebPage = 2,
  PhoneNum = 3,
};

// Events of CVellora, in their dispatch order. A host overrides what it wants.
class CVelloraEvents {
 public:
  virtual ~CVelloraEvents() = default;
  // During OpenFile, after the candidate passed the compound-file test; AppName
  // and AppVersion show the candidate's. Set `blnCorrect` to false to refuse it.
  virtual void IsCorrectFileType(bool& blnCorrect) { (void)blnCorrect; }
  virtual void StartOperation() {}
  virtual void FinishOperation() {}
  // `x` is CFilesIO's own variable: a change reaches the export code.
  virtual void PercentDone(int16_t& x) { (void)x; }
};

class CVellora {
 public:
  CVellora();
  CVellora(const CVellora&) = delete;
  CVellora& operator=(const CVellora&) = delete;
  ~CVellora();

  // ---- Creating, opening and closing ----
  bool NewFile();
  // With an empty `file` the user picks one in the open dialog. False when the
  // file is missing, is not a compound file ("BadFile!"), or is refused or cancelled.
  bool OpenFile(std::u16string_view file = {});
  // As OpenFile; the document stays read-only until it is closed.
  bool OpenFileReadOnly(std::u16string_view file = {});
  void CloseFile();
  void Revert();
  // Opens the "File Properties" window for this document: modal once the host
  // has set a positive DialogBoxParentHwnd, modeless before.
  void EditProperties();
  std::u16string GetTitle();

  // ---- Saving ----
  Variant SaveToPath(const std::u16string& strPath);
  void SaveAsFile();
  void SaveFile();

  // ---- Element objects ----
  std::shared_ptr<CHelpIO> GetCHelpIO() const { return mCHelpIO; }
  void SetCHelpIO(std::shared_ptr<CHelpIO> value) { mCHelpIO = std::move(value); }
  std::shared_ptr<CObjectsIO> GetCObjectsIO() const { return mCObjectsIO; }
  void SetCObjectsIO(std::shared_ptr<CObjectsIO> value) { mCObjectsIO = std::move(value); }
  std::shared_ptr<CFilesIO> GetCFilesIO() const { return mCFilesIO; }
  // CVellora forwards the events of the new object, and no longer those of the old one.
  void SetCFilesIO(std::shared_ptr<CFilesIO> value);
  std::shared_ptr<CImagesIO> GetCImagesIO() const { return mCImagesIO; }
  void SetCImagesIO(std::shared_ptr<CImagesIO> value) { mCImagesIO = std::move(value); }

  // ---- Simple properties ----
  // -1 until the host sets a positive window handle.
  int32_t DialogBoxParentHwnd() const;
  void DialogBoxParentHwnd(int32_t value) { mDialogBoxParentHwnd = value; }
  const std::u16string& strFilePath() const { return mFilePath; }
  void strFilePath(std::u16string value) { mFilePath = std::move(value); }
  const std::u16string& strFileName() const { return mFileName; }
  void strFileName(std::u16string value) { mFileName = std::move(value); }
  // True when this object or any element object has unsaved changes; setting it
  // sets all five flags.
  bool Dirty() const;
  void Dirty(bool value);
  Variant ClassDebugID() const { return Variant(mClassDebugID); }
  // True while a document is open (made by NewFile, opened, or saved).
  bool blnDocumentOpen() const;
  // True while the open document is one opened by OpenFileReadOnly: every
  // change to it (element operations, document properties, Dirty = true,
  // SaveFile) raises STG_E_ACCESSDENIED, "the document was opened read-only",
  // and leaves it as it was. Saving it under a new path makes it writable.
  bool blnReadOnly() const;

  // ---- Application identity ----
  // Empty (or blank) values read as the library's product name and its version.
  std::u16string AppName();
  void AppName(const std::u16string& vData);
  std::u16string AppVersion();
  void AppVersion(const std::u16string& vData);

  // ---- Summary and user properties of the open document ----
  std::u16string DocTitle();
  void DocTitle(const std::u16string& strTitle);
  std::u16string DocAuthor();
  void DocAuthor(const std::u16string& strAuthor);
  std::u16string DocSubject();
  void DocSubject(const std::u16string& strSubject);
  std::u16string DocCompany();
  void DocCompany(const std::u16string& strCompany);
  std::u16string DocEmail();
  void DocEmail(const std::u16string& strEmail);
  std::u16string DocPhoneNum();
  void DocPhoneNum(const std::u16string& strPhoneNum);
  std::u16string DocWebPage();
  void DocWebPage(const std::u16string& strWebPage);
  std::u16string DocComments();
  void DocComments(const std::u16string& strComments);
  std::u16string DocKeywords();
  void DocKeywords(const std::u16string& strKeywords);

  // ---- Events ----
  // Sinks are raised in the order they connected. The sink stays connected while
  // the returned connection lives; keep it no longer than the sink. A sink that
  // is connected already (or none) gets an empty connection.
  EventConnection Connect(CVelloraEvents* sink);

 private:
  class FilesIOForwarder;

  void RestoreAppInfo();
  // NewFile after its CloseFile: a new document on a temporary store, with its
  // storages and properties, created now or at `created`.
  void CreateDocument(std::optional<Date> created);
  // The steps of SaveFile after the loaded stream is closed: the summary's
  // times and revision, then the commit of the root (CommitRoot), and a clean flag.
  void CommitToFile();
  void CommitRoot(Storage& root);
  bool RaiseIsCorrectFileType();
  std::u16string UserPropertyText(int32_t index);
  void SetUserPropertyText(int32_t index, std::u16string_view name, const std::u16string& value);

  uint8_t mOpenMode = 2;
  int32_t mClassDebugID = 0;
  int32_t mTempStoreHandle = -1;
  Storage mProbeStorage;
  std::shared_ptr<CImagesIO> mCImagesIO;
  std::shared_ptr<CObjectsIO> mCObjectsIO;
  std::shared_ptr<CHelpIO> mCHelpIO;
  std::u16string mFileName;
  std::u16string mFilePath;
  bool mDirty = false;
  std::u16string mAppName;
  std::u16string mAppVersion;
  int16_t mAppVersionIndex = -1;
  int32_t mDialogBoxParentHwnd = 0;
  std::shared_ptr<CFilesIO> mCFilesIO;

  std::unique_ptr<FilesIOForwarder> forwarder_;
  EventConnection forwarding_;  // forwarder_ on mCFilesIO
  std::vector<CVelloraEvents*> sinks_;
  std::shared_ptr<const void> alive_ = std::make_shared<const bool>(true);  // what connections watch
};

}  // namespace vellora2
