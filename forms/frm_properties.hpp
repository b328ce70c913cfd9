// frmProperties: the "File Properties" window's logic, apart from any toolkit.
// It shows the open document's file facts, summary properties and statistics,
// and writes the nine summary fields back through the document object, so that
// marking the document dirty stays the document object's business.
//
// The controls are plain values (PropertiesControls), named as the window's
// controls are; the window (forms/form_display.hpp) mirrors them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "vellora2/automation/date.hpp"

namespace vellora2 {

class CVellora;

namespace forms {
class PropertiesWindow;
}  // namespace forms

struct PropertiesControls {
  int32_t SSTab1 = 0;  // the selected tab: 0 "General", 1 "Summary", 2 "Statistics"
  // "General"
  std::u16string lblFileTitle, lblType, lblLocation, lblSize;
  std::u16string lblCreated, lblModified, lblAccessed, lblPrinted;
  bool chkReadOnly = false, chkHidden = false, chkArchive = false, chkSystem = false;
  // "Summary": the only controls the user edits
  std::u16string txtTitle, txtSubject, txtAuthor, txtCompany, txtEmail, txtWebPage, txtPhoneNum, txtKeywords,
      txtComments;
  // "Statistics"
  std::u16string lblDCreated, lblDSaved, lblDPrinted, lblApplication, lblEditTime, lblRevNum;
};

class frmProperties {
 public:
  // With `windowed` false the form stays off screen (for text output); otherwise
  // each load asks the thread's current display for its window.
  explicit frmProperties(bool windowed);
  frmProperties(const frmProperties&) = delete;
  frmProperties& operator=(const frmProperties&) = delete;
  virtual ~frmProperties();

  // Form_Load: creates the (hidden) window and fills the statistics. A form that
  // is loaded already is left as it is.
  void Load();
  bool Loaded() const { return loaded_; }
  // The write-only Document member: fills the Summary tab and the file facts.
  void Document(CVellora* document);
  // Without a window (no screen) says so on standard error and unloads.
  void Show(bool modal);
  // The window's buttons. Virtual because the window lives in the window
  // module, which calls them through the object rather than link to them.
  virtual void cmdOK_Click();
  virtual void cmdCancel_Click();
  // Reports its failures (AutomationError), unlike the other steps.
  virtual void cmdResetTime_Click();
  // Form_Unload: closes the window and lets go of the document.
  void Unload();

  PropertiesControls& Controls() { return controls_; }
  const PropertiesControls& Controls() const { return controls_; }

 private:
  void ClearFields();
  std::u16string FormatStoredDate(Date stored);
  void FillFileFacts(const std::u16string& file_name, const std::u16string& file_path);
  void SaveFields();
  void Refresh();

  bool windowed_;
  std::unique_ptr<forms::PropertiesWindow> window_;
  CVellora* document_ = nullptr;
  bool loaded_ = false;
  PropertiesControls controls_;
};

// The thread's File Properties form, loaded (Form_Load run) when it was not.
frmProperties& LoadPropertiesForm();
// The thread's form when it is loaded; nullptr otherwise.
frmProperties* LoadedPropertiesForm();

}  // namespace vellora2
