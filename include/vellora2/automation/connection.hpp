// The link between an event source and one sink, owned by whoever connected the
// sink. Letting go of it disconnects the sink, so no source ever calls a sink
// that is gone; when the source goes first, letting go does nothing.
#pragma once

#include <functional>
#include <memory>

namespace vellora2 {

class [[nodiscard]] EventConnection {
 public:
  // Not connected.
  EventConnection() = default;
  // Connected while `alive` lives; `disconnect` is called at most once, and
  // only then.
  EventConnection(std::weak_ptr<const void> alive, std::function<void()> disconnect);
  EventConnection(EventConnection&& other) noexcept;
  EventConnection& operator=(EventConnection&& other) noexcept;
  EventConnection(const EventConnection&) = delete;
  EventConnection& operator=(const EventConnection&) = delete;
  ~EventConnection();

  // Disconnects now; afterwards the connection is empty.
  void Disconnect();
  // True while the sink is connected and its source exists.
  bool Connected() const;

 private:
  std::weak_ptr<const void> alive_;
  std::function<void()> disconnect_;
};

}  // namespace vellora2
