#include "vellora2/automation/connection.hpp"

#include <utility>

namespace vellora2 {

EventConnection::EventConnection(std::weak_ptr<const void> alive, std::function<void()> disconnect)
    : alive_(std::move(alive)), disconnect_(std::move(disconnect)) {}

EventConnection::EventConnection(EventConnection&& other) noexcept
    : alive_(std::move(other.alive_)), disconnect_(std::exchange(other.disconnect_, nullptr)) {}

EventConnection& EventConnection::operator=(EventConnection&& other) noexcept {
  if (this != &other) {
    Disconnect();
    alive_ = std::move(other.alive_);
    disconnect_ = std::exchange(other.disconnect_, nullptr);
  }
  return *this;
}

EventConnection::~EventConnection() { Disconnect(); }

void EventConnection::Disconnect() {
  auto disconnect = std::exchange(disconnect_, nullptr);
  const bool source_lives = !alive_.expired();
  alive_.reset();
  if (disconnect && source_lives) disconnect();
}

bool EventConnection::Connected() const { return disconnect_ && !alive_.expired(); }

}  // namespace vellora2
