// How the File Properties form reaches the screen. The form's logic keeps the
// controls' values itself (PropertiesControls); a window shows them, writes the
// user's typing back into them and calls the form's handlers. A FormDisplay
// makes windows: GTK on a desktop, a scripted one in tests, none without a screen.
#pragma once

#include <memory>

namespace vellora2 {

class frmProperties;

namespace forms {

class PropertiesWindow {
 public:
  virtual ~PropertiesWindow() = default;
  // Puts the window on screen with the controls' values (or raises it when it is
  // there already). Modal: returns once the form has unloaded. Modeless: returns
  // at once; the window answers while the host's event loop runs.
  virtual void Show(bool modal) = 0;
  // The form changed its controls in code: show the new values.
  virtual void Refresh() = 0;
  // The form unloaded: the window goes away, and calls the form no more.
  virtual void Close() = 0;
};

class FormDisplay {
 public:
  virtual ~FormDisplay() = default;
  // A hidden window for `form`, which outlives it; nullptr when there is no
  // screen to show one on.
  virtual std::unique_ptr<PropertiesWindow> Create(frmProperties& form) = 0;
};

// The calling thread's display: the one set, or else GTK windows when the
// thread's platform is the GTK one, and no windows otherwise.
FormDisplay& CurrentFormDisplay();
// Replaces the thread's display (nullptr restores the default); returns the old one.
std::shared_ptr<FormDisplay> SetCurrentFormDisplay(std::shared_ptr<FormDisplay> display);

// forms/gtk: the GTK 3 window, in the window module (platform/window_module.hpp).
std::unique_ptr<PropertiesWindow> MakeGtkPropertiesWindow(frmProperties& form);

}  // namespace forms
}  // namespace vellora2
