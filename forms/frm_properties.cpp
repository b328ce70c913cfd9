#include "forms/frm_properties.hpp"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "document/thread_state.hpp"
#include "forms/file_type.hpp"
#include "forms/form_display.hpp"
#include "forms/locale_formats.hpp"
#include "vellora2/automation/error.hpp"
#include "vellora2/automation/text.hpp"
#include "vellora2/document/cvellora.hpp"
#include "vellora2/platform/platform.hpp"
#include "vellora2/util/gutility.hpp"

namespace vellora2 {
namespace {

constexpr std::u16string_view kSource = u"Vellora2.frmProperties";

// The load step, the Document assignment and the write-back go on past any
// step that fails: the field it would fill stays as ClearFields left it.
template <typename Step>
void Quietly(Step&& step) {
  try {
    step();
  } catch (const AutomationError&) {  // NOLINT(bugprone-empty-catch): a failing step is skipped
  }
}

GUtility& Utility() {
  auto& utility = CurrentThreadState().utility;
  if (!utility) Raise(rt::kObjectNotSet, std::u16string(kSource));
  return *utility;
}

void RefreshPropertySets() {
  Quietly([] { RequireRoot(kSource).ReadSummaryInfo(); });
  Quietly([] { RequireRoot(kSource).ReadDocSummaryInfo(); });
  Quietly([] { RequireRoot(kSource).ReadUserProperties(); });
}

bool IsSeparator(char16_t c) { return c == u'/' || c == u'\\'; }

// Attribute bits of the platform's answer.
constexpr int32_t kReadOnly = 1;
constexpr int32_t kHidden = 2;
constexpr int32_t kSystem = 4;
constexpr int32_t kArchive = 32;

}  // namespace

frmProperties::frmProperties(bool windowed) : windowed_(windowed) {}

frmProperties::~frmProperties() {
  if (window_) window_->Close();
}

void frmProperties::ClearFields() {
  // Everything but the selected tab is a value field, and all of them start empty.
  controls_ = PropertiesControls{};
}

std::u16string frmProperties::FormatStoredDate(Date stored) {
  const Date local = RequireEngine(kSource).ConvertTime(stored);
  if (local.value == 0.0) return {};
  return forms::LongDate(local) + u" " + forms::MediumTime(local);
}

void frmProperties::Load() {
  if (loaded_) return;
  loaded_ = true;
  document_ = nullptr;
  if (windowed_) window_ = forms::CurrentFormDisplay().Create(*this);
  ClearFields();
  auto& c = controls_;
  if (!CurrentThreadState().gRootStorage) {
    CurrentPlatform().MessageBox(u"No File Loaded.", mb::kExclamation, u"Can't show properties");
    return;
  }
  RefreshPropertySets();
  Quietly([&] { c.lblCreated = FormatStoredDate(RequireRoot(kSource).CreationTime()); });
  Quietly([&] { c.lblModified = FormatStoredDate(RequireRoot(kSource).ModifiedTime()); });
  Quietly([&] { c.lblAccessed = FormatStoredDate(RequireRoot(kSource).AccessTime()); });
  Quietly([&] { c.lblPrinted = FormatStoredDate(RequireRoot(kSource).LastPrinted()); });
  Quietly([&] { c.lblApplication = RequireRoot(kSource).ApplicationName(); });
  Quietly([&] { c.lblEditTime = FromUtf8(std::to_string(RequireRoot(kSource).EditTime())); });
  Quietly([&] { c.lblRevNum = RequireRoot(kSource).RevisionNumber(); });
  Quietly([&] { c.lblDCreated = FormatStoredDate(RequireRoot(kSource).Created()); });
  Quietly([&] { c.lblDSaved = FormatStoredDate(RequireRoot(kSource).LastSaved()); });
  c.lblDPrinted = c.lblPrinted;
}

void frmProperties::Document(CVellora* document) {
  document_ = document;
  RefreshPropertySets();
  if (document_ != nullptr) {
    CVellora& d = *document_;
    auto& c = controls_;
    Quietly([&] { c.txtTitle = d.DocTitle(); });
    Quietly([&] { c.txtSubject = d.DocSubject(); });
    Quietly([&] { c.txtAuthor = d.DocAuthor(); });
    Quietly([&] { c.txtCompany = d.DocCompany(); });
    Quietly([&] { c.txtKeywords = d.DocKeywords(); });
    Quietly([&] { c.txtComments = d.DocComments(); });
    Quietly([&] { c.txtEmail = d.DocEmail(); });
    Quietly([&] { c.txtWebPage = d.DocWebPage(); });
    Quietly([&] { c.txtPhoneNum = d.DocPhoneNum(); });
    // A document never saved has no file to describe.
    if (!d.strFileName().empty()) FillFileFacts(d.strFileName(), d.strFilePath());
  }
  Refresh();
}

void frmProperties::FillFileFacts(const std::u16string& file_name, const std::u16string& file_path) {
  auto& c = controls_;
  c.lblFileTitle = file_name;
  Quietly([&] {
    std::u16string folder = Utility().GetFileDir(file_path);
    // The root folder keeps its separator: without it there would be no name left.
    if (folder.size() > 1 && IsSeparator(folder.back())) folder.pop_back();
    c.lblLocation = folder;
  });
  if (!file_path.empty()) {
    std::error_code error;
    const auto length = std::filesystem::file_size(ToUtf8(file_path), error);
    if (!error) {
      // The "Standard" form without its decimal separator and two decimals.
      std::u16string size = forms::StandardNumber(static_cast<double>(length));
      size.resize(size.size() >= 3 ? size.size() - 3 : 0);
      c.lblSize = size + u" bytes";
    }
    // Asked once per box, as each box stands for itself.
    auto has = [&](int32_t bit) {
      const int32_t attributes = CurrentPlatform().FileAttributes(file_path);
      return attributes != -1 && (attributes & bit) != 0;
    };
    c.chkReadOnly = has(kReadOnly);
    c.chkArchive = has(kArchive);
    c.chkHidden = has(kHidden);
    c.chkSystem = has(kSystem);
  }
  Quietly([&] { c.lblType = forms::FileTypeText(Utility().GetFileExt(file_name)); });
}

void frmProperties::SaveFields() {
  RefreshPropertySets();
  if (document_ != nullptr) {
    CVellora& d = *document_;
    const auto& c = controls_;
    // Each property compares with the stored value and marks the document dirty only on a change.
    Quietly([&] { d.DocTitle(c.txtTitle); });
    Quietly([&] { d.DocAuthor(c.txtAuthor); });
    Quietly([&] { d.DocCompany(c.txtCompany); });
    Quietly([&] { d.DocSubject(c.txtSubject); });
    Quietly([&] { d.DocEmail(c.txtEmail); });
    Quietly([&] { d.DocPhoneNum(c.txtPhoneNum); });
    Quietly([&] { d.DocWebPage(c.txtWebPage); });
    Quietly([&] { d.DocComments(c.txtComments); });
    Quietly([&] { d.DocKeywords(c.txtKeywords); });
  }
  Quietly([] { RequireRoot(kSource).WriteUserProperties(); });
  Quietly([] { RequireRoot(kSource).WriteDocSummaryInfo(); });
  Quietly([] { RequireRoot(kSource).WriteSummaryInfo(); });
}

void frmProperties::Show(bool modal) {
  if (!window_) {
    std::fputs("File Properties: there is no display to show the window on\n", stderr);
    Unload();
    return;
  }
  window_->Show(modal);
}

void frmProperties::cmdOK_Click() {
  SaveFields();
  Unload();
}

void frmProperties::cmdCancel_Click() { Unload(); }

void frmProperties::cmdResetTime_Click() {
  // Written into the open document straight away, past the document object:
  // the reset holds whether the form closes with OK or Cancel, and it is not an
  // edit that makes the document dirty.
  Storage& root = RequireRoot(kSource);
  root.ReadSummaryInfo();
  root.EditTime(0);
  root.StartEditClock();
  controls_.lblEditTime.assign(1, u'0');  // not `= u"0"`: GCC 12 -O3 warns (-Wrestrict) there
  Refresh();
  root.WriteSummaryInfo();
}

void frmProperties::Unload() {
  if (!loaded_) return;
  loaded_ = false;
  if (window_) window_->Close();
  document_ = nullptr;
}

void frmProperties::Refresh() {
  if (window_) window_->Refresh();
}

namespace {

std::unique_ptr<frmProperties>& FormSlot() {
  thread_local std::unique_ptr<frmProperties> form;
  return form;
}

}  // namespace

frmProperties& LoadPropertiesForm() {
  auto& form = FormSlot();
  // A form that unloaded is loaded again in place: its window may still be in
  // the middle of the handler that unloaded it, so the object stays.
  if (!form) form = std::make_unique<frmProperties>(true);
  form->Load();
  return *form;
}

frmProperties* LoadedPropertiesForm() {
  auto& form = FormSlot();
  return form && form->Loaded() ? form.get() : nullptr;
}

}  // namespace vellora2
