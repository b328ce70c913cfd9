#include "vellora2/util/enumerator.hpp"

#include <new>

#include "util/errors.hpp"
#include "vellora2/automation/error.hpp"

namespace vellora2 {

static_assert(std::input_iterator<CEnumVariant::Iterator>);
static_assert(std::sentinel_for<std::default_sentinel_t, CEnumVariant::Iterator>);

int32_t ErrorToResult(int32_t e) {
  if (e == 0 || e == 1 || e < 0) return e;
  return static_cast<int32_t>(0x800A0000u | static_cast<uint32_t>(e));
}

bool IVariantWalker::More(Variant& /*v*/) { return false; }
void IVariantWalker::Reset() {}
void IVariantWalker::Skip(int32_t /*c*/) {}

void CEnumVariant::Attach(std::shared_ptr<IVariantWalker> connectA) { walker_ = std::move(connectA); }

bool CEnumVariant::ClsNext(Variant& v) {
  if (!walker_) RaiseUtilityError(rt::kObjectNotSet);
  return walker_->More(v);
}

void CEnumVariant::ClsSkip(int32_t c) {
  if (!walker_) RaiseUtilityError(rt::kObjectNotSet);
  walker_->Skip(c);
}

namespace {

// Runs `body` and turns whatever it throws into a result code, because callers
// of Next and Skip only ever look at the result.
template <typename Body>
int32_t Trapped(Body&& body) {
  try {
    body();
    return kResultOk;
  } catch (const AutomationError& e) {
    return ErrorToResult(e.number());
  } catch (const std::bad_alloc&) {
    return ErrorToResult(rt::kOutOfMemory);
  } catch (...) {
    return kResultFail;
  }
}

}  // namespace

int32_t CEnumVariant::Next(int32_t celt, std::span<Variant> rgVar, int32_t* pceltFetched) {
  if (celt > 0 && static_cast<size_t>(celt) > rgVar.size()) {
    if (pceltFetched) *pceltFetched = 0;
    return kResultInvalidArg;
  }
  int32_t fetched = 0;
  const int32_t result = Trapped([&] {
    for (; fetched < celt; ++fetched) {
      Variant item;
      if (!ClsNext(item)) break;
      rgVar[static_cast<size_t>(fetched)] = std::move(item);
    }
  });
  if (result != kResultOk) {
    // The caller gets all of the items or none: those already handed over go.
    for (int32_t i = 0; i < fetched; ++i) rgVar[static_cast<size_t>(i)] = Variant();
    fetched = 0;
  }
  if (pceltFetched) *pceltFetched = fetched;
  if (result != kResultOk) return result;
  return fetched == 0 ? kResultFalse : kResultOk;
}

int32_t CEnumVariant::Skip(int32_t celt) {
  return Trapped([&] { ClsSkip(celt); });
}

void CEnumVariant::Reset() {
  if (!walker_) RaiseUtilityError(rt::kObjectNotSet);
  walker_->Reset();
}

int32_t CEnumVariant::Clone(std::shared_ptr<CEnumVariant>& ppEnum) {
  ppEnum.reset();
  return kResultOk;
}

CEnumVariant::Iterator CEnumVariant::begin() { return Iterator(this); }

void CEnumVariant::Iterator::Advance() {
  current_ = Variant();
  if (!owner_->ClsNext(current_)) owner_ = nullptr;
}

}  // namespace vellora2
