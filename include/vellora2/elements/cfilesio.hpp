// CFilesIO: disk files into and out of the open document, and the stream that a
// host has loaded for reading and writing. A CVellora creates one and hands it out;
// a host does not create its own.
#pragma once

#include <cstdint>
#include <vector>

namespace vellora2 {

// Events of CFilesIO, raised during Export. A host (or CVellora) overrides what
// it wants; `x` is the caller's variable, so a change reaches the export code.
class CFilesIOEvents {
 public:
  virtual ~CFilesIOEvents() = default;
  virtual void StartOperation() {}
  virtual void PercentDone(int16_t& x) { (void)x; }
  virtual void FinishOperation() {}
};

class CFilesIO {
 public:
  CFilesIO();
  CFilesIO(const CFilesIO&) = delete;
  CFilesIO& operator=(const CFilesIO&) = delete;
  ~CFilesIO();

  bool Dirty() const { return dirty_; }
  void Dirty(bool value) { dirty_ = value; }
  int32_t ClassDebugID() const { return class_debug_id_; }

  // Commits the loaded stream into its storage and closes it; nothing when none is loaded.
  void CloseLoadedFile();

  // Event sinks are raised in the order they connected; a sink must disconnect
  // before it is destroyed.
  void Connect(CFilesIOEvents* sink);
  void Disconnect(CFilesIOEvents* sink);

 protected:
  void RaiseStartOperation();
  void RaisePercentDone(int16_t& x);
  void RaiseFinishOperation();

 private:
  int32_t class_debug_id_;
  bool dirty_ = false;
  std::vector<CFilesIOEvents*> sinks_;
};

}  // namespace vellora2
