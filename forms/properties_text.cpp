#include "vellora2/forms/properties_text.hpp"

#include "forms/form_display.hpp"
#include "forms/frm_properties.hpp"

namespace vellora2 {
namespace {

std::u16string Ticked(bool on) { return on ? u"[x]" : u"[ ]"; }

}  // namespace

bool CanShowPropertiesWindow() {
  // The display is asked for a window, which is never shown.
  frmProperties probe(false);
  return forms::CurrentFormDisplay().Create(probe) != nullptr;
}

bool IsPropertiesWindowOpen() { return LoadedPropertiesForm() != nullptr; }

std::u16string PropertiesText(CVellora& document) {
  frmProperties form(false);
  form.Load();
  form.Document(&document);
  const PropertiesControls c = form.Controls();
  form.Unload();
  std::u16string text;
  auto row = [&](std::u16string_view caption, const std::u16string& value) {
    text.append(u"  ").append(caption).append(u" ").append(value).append(u"\n");
  };
  text += u"General\n";
  row(u"File:", c.lblFileTitle);
  row(u"Type:", c.lblType);
  row(u"Location:", c.lblLocation);
  row(u"Size:", c.lblSize);
  row(u"Created:", c.lblCreated);
  row(u"Modified:", c.lblModified);
  row(u"Accessed:", c.lblAccessed);
  row(u"Printed:", c.lblPrinted);
  row(u"Attributes:", Ticked(c.chkReadOnly) + u" Read Only  " + Ticked(c.chkHidden) + u" Hidden  " +
                          Ticked(c.chkArchive) + u" Archive  " + Ticked(c.chkSystem) + u" System");
  text += u"Summary\n";
  row(u"Title:", c.txtTitle);
  row(u"Subject:", c.txtSubject);
  row(u"Author:", c.txtAuthor);
  row(u"Company:", c.txtCompany);
  row(u"E-mail:", c.txtEmail);
  row(u"Web Page:", c.txtWebPage);
  row(u"Phone No.:", c.txtPhoneNum);
  row(u"Keywords:", c.txtKeywords);
  row(u"Comments:", c.txtComments);
  text += u"Statistics\n";
  row(u"Created:", c.lblDCreated);
  row(u"Last Saved:", c.lblDSaved);
  row(u"Last Printed:", c.lblDPrinted);
  row(u"Application:", c.lblApplication);
  row(u"Total Edit Time:", c.lblEditTime);
  row(u"Revision Number:", c.lblRevNum);
  return text;
}

}  // namespace vellora2
