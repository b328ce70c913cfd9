#include "python/owner.hpp"

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "vellora2/automation/error.hpp"

namespace vellora2::python {
namespace {

// A call into an apartment's object from another thread, in COM's words.
constexpr auto kWrongThread = static_cast<int32_t>(0x8001010EU);

std::atomic<uint64_t> g_last_token{0};

// References that the last holder dropped on another thread, by owning thread.
struct Pending {
  std::mutex mutex;
  std::map<uint64_t, std::vector<std::shared_ptr<void>>> references;
};

// Never destroyed: what is left here belongs to threads that have ended, and
// destroying it on the thread that runs the static destructors would close that
// thread's document instead.
Pending& ThePending() {
  static auto* pending = new Pending;
  return *pending;
}

void ReleasePending(uint64_t owner) {
  std::vector<std::shared_ptr<void>> references;
  {
    Pending& pending = ThePending();
    const std::scoped_lock lock(pending.mutex);
    const auto it = pending.references.find(owner);
    if (it == pending.references.end()) return;
    references = std::move(it->second);
    pending.references.erase(it);
  }
  // Released in the order they were dropped, outside the lock: a CVellora's
  // destructor may take a while.
  for (auto& reference : references) reference.reset();
}

// Constructed on a thread after its first thread-bound object, so it is
// destroyed before the library's own per-thread state, which the objects it
// releases still use.
struct ThreadExit {
  ThreadExit() = default;
  ThreadExit(const ThreadExit&) = delete;
  ThreadExit& operator=(const ThreadExit&) = delete;
  ~ThreadExit() { ReleasePending(ThreadToken()); }
};

}  // namespace

uint64_t ThreadToken() {
  thread_local const uint64_t token = ++g_last_token;
  return token;
}

void ReleaseAtThreadExit() {
  thread_local const ThreadExit exit;
  static_cast<void>(exit);
}

OwnerRelease::OwnerRelease(uint64_t owner, std::shared_ptr<void> reference)
    : owner_(owner), reference_(std::move(reference)) {}

void OwnerRelease::operator()(const void* /*object*/) {
  std::shared_ptr<void> reference = std::move(reference_);
  if (owner_ == ThreadToken()) return;
  Pending& pending = ThePending();
  const std::scoped_lock lock(pending.mutex);
  pending.references[owner_].push_back(std::move(reference));
}

void RaiseWrongThread(const py::handle& type) {
  const std::string name = py::str(type.attr("__name__")).cast<std::string>();
  throw AutomationError(kWrongThread, u"vellora2",
                        u"This " + std::u16string(name.begin(), name.end()) +
                            u" object belongs to the thread that created it; a document and its element objects "
                            u"work only on that thread.");
}

}  // namespace vellora2::python
