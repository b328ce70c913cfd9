// A form display for tests: each window records what the form asked of it, and
// a modal show plays the next queued user action (typing, pressing a button)
// inside the show, as a user would while the caller waits. With nothing queued
// the user closes the window, which cancels.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "forms/form_display.hpp"
#include "forms/frm_properties.hpp"

namespace vellora2::forms {

class ScriptedFormDisplay : public FormDisplay {
 public:
  using Action = std::function<void(frmProperties&)>;

  struct Record {
    std::vector<bool> shows;  // modal flag of each Show
    int refreshes = 0;
    bool closed = false;
  };

  std::unique_ptr<PropertiesWindow> Create(frmProperties& form) override {
    if (!has_screen) return nullptr;
    windows.push_back(std::make_shared<Record>());
    return std::make_unique<Window>(*this, form, windows.back());
  }

  bool has_screen = true;
  std::deque<Action> actions;
  std::vector<std::shared_ptr<Record>> windows;  // every window made, in order

 private:
  class Window : public PropertiesWindow {
   public:
    Window(ScriptedFormDisplay& display, frmProperties& form, std::shared_ptr<Record> record)
        : display_(display), form_(form), record_(std::move(record)) {}
    void Show(bool modal) override {
      record_->shows.push_back(modal);
      if (!modal) return;
      if (display_.actions.empty()) {
        form_.cmdCancel_Click();
        return;
      }
      Action act = std::move(display_.actions.front());
      display_.actions.pop_front();
      act(form_);
    }
    void Refresh() override { ++record_->refreshes; }
    void Close() override { record_->closed = true; }

   private:
    ScriptedFormDisplay& display_;
    frmProperties& form_;
    std::shared_ptr<Record> record_;
  };
};

}  // namespace vellora2::forms
