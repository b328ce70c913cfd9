#include "compound/extent_claims.hpp"

#include <algorithm>

#include "compound/container.hpp"
#include "compound/format.hpp"

namespace vellora2::compound {

void ExtentClaims::Claim(const std::vector<StreamPlan>& plans, const std::vector<Node*>& others,
                         const std::function<void(uint32_t)>& spare) {
  auto each_run = [&](const auto& visit) {
    for (const auto& p : plans) {
      const Content& content = p.node->content;
      for (uint64_t at = 0; at < content.size();) {
        const Content::SpillRun run = content.Spilled(at);
        // A stream bound for the mini stream links nothing, but its stored
        // pages' extents are taken in, so that their room is used.
        if (run.extent && &run.extent->container() == &home_ && !run.extent->adopted() &&
            (!p.mini || run.extent->holds_pages())) {
          visit(p, run, at);
        }
        at += std::max<uint64_t>(run.bytes, 1);
      }
    }
  };
  each_run([&](const StreamPlan& p, const Content::SpillRun& run, uint64_t at) {
    if (adopted_.insert(run.extent).second) adopting_.push_back(run.extent);
    if (!run.extent->holds_pages()) {
      owners_.emplace(run.extent, p.entry);
      return;
    }
    auto& claims = claims_[run.extent];
    if (!claims) claims = std::make_unique<PageClaims>();
    if (p.mini) return;
    const auto slot = static_cast<size_t>(run.at / kPageSize);
    if (claims->entry[slot] != 0) return;  // a copy: written out like any other
    claims->entry[slot] = p.entry;
    const uint64_t bytes = std::min<uint64_t>(run.bytes, p.node->content.size() - at);
    claims->sectors[slot] = static_cast<uint8_t>(DivUp(bytes, ssz_));
  });
  for (Node* other : others) {
    ForEachStream(*other, [this](Node& stream) {
      stream.content.Unspill([this](const Extent& e) { return adopted_.count(&e) != 0; });
    });
  }
  const uint64_t per_page = std::max<uint64_t>(1, kPageSize / ssz_);
  for (const auto& [extent, claims] : claims_) {
    for (size_t slot = 0; slot < kSlots; ++slot) {
      for (uint64_t s = claims->sectors[slot]; s < per_page; ++s) {
        spare(static_cast<uint32_t>(extent->first() + slot * per_page + s));
      }
    }
  }
  // Past the bytes written to an extent that nobody else holds: a failed
  // commit leaves them reading as zeros all the same.
  std::set<const Extent*> done;
  each_run([&](const StreamPlan& p, const Content::SpillRun& run, uint64_t) {
    if (run.extent->holds_pages() || run.shared || owners_.at(run.extent) != p.entry ||
        !done.insert(run.extent).second) {
      return;
    }
    const uint64_t end = run.extent->first() + home_.ExtentSectors();
    for (uint64_t s = run.extent->first() + DivUp(run.filled, ssz_); s < end; ++s) spare(static_cast<uint32_t>(s));
  });
}

bool ExtentClaims::Links(const Content::SpillRun& run, uint32_t entry) const {
  if (run.extent->holds_pages()) {
    const auto claims = claims_.find(run.extent);
    return claims != claims_.end() && claims->second->entry[static_cast<size_t>(run.at / kPageSize)] == entry;
  }
  const auto owner = owners_.find(run.extent);
  return owner != owners_.end() && owner->second == entry;
}

}  // namespace vellora2::compound
