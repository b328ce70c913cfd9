// The shape every element operation's error handler has: release the storage and
// stream handles the operation holds, most recently acquired first, then pass the
// error on with the operation's frame added to its source.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "vellora2/automation/error.hpp"
#include "vellora2/storage/errors.hpp"

namespace vellora2 {

class HeldElements {
 public:
  HeldElements() = default;
  HeldElements(const HeldElements&) = delete;
  HeldElements& operator=(const HeldElements&) = delete;

  // Remembers a handle variable (anything with Release()) of the operation.
  template <typename Handle>
  Handle& Hold(Handle& handle) {
    releases_.emplace_back([&handle] { handle.Release(); });
    return handle;
  }

  void ReleaseAll() {
    for (auto it = releases_.rbegin(); it != releases_.rend(); ++it) (*it)();
    releases_.clear();
  }

 private:
  std::vector<std::function<void()>> releases_;
};

// Runs `body`; an AutomationError leaving it releases `held` and gets `frame`.
template <typename Body>
decltype(auto) RunWithFrame(std::u16string_view frame, HeldElements& held, Body&& body) {
  return WithFrame(frame, std::forward<Body>(body), [&held] { held.ReleaseAll(); });
}

// As RunWithFrame, and the description becomes the readable storage message.
template <typename Body>
decltype(auto) RunWithStorageMessage(std::u16string_view frame, HeldElements& held, Body&& body) {
  try {
    return body();
  } catch (AutomationError& e) {
    held.ReleaseAll();
    e.set_description(StorageErrorText(e.number(), e.description()).ToString());
    e.AppendSource(frame);
    throw;
  }
}

}  // namespace vellora2
