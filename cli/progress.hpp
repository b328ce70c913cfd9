// A progress bar on standard error for long copies. It is drawn only when both
// standard output and standard error are a terminal: a person is watching, and
// no script is reading what the tool prints.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "vellora2/elements/cfilesio.hpp"

namespace vellora2::cli {

class Progress {
 public:
  enum class Unit { kBytes, kPercent };
  // Copies smaller than this end before a bar would be of use.
  static constexpr uint64_t kThreshold = 8u << 20;

  // Shows nothing unless `total` is at least `threshold`. Bytes are shown as
  // MiB beside the percentage; a count of kPercent is the percentage itself.
  Progress(std::string label, uint64_t total, uint64_t threshold = kThreshold, Unit unit = Unit::kBytes);
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;
  ~Progress();

  // `done` of `total`; more than `total` counts as all of it.
  void Update(uint64_t done);

  // Whether a bar would be drawn at all.
  static bool Interactive();

 private:
  void Draw(uint64_t done);

  std::string label_;
  uint64_t total_;
  Unit unit_;
  bool shown_;
  int last_permille_ = -1;
};

// Draws the bar of one CFilesIO export from its StartOperation, PercentDone and
// FinishOperation events. The events give no size, so every export that raises
// them (more than 15 bytes) gets a bar on a terminal.
class FilesIOProgress final : public CFilesIOEvents {
 public:
  FilesIOProgress(CFilesIO& files, std::string label);
  FilesIOProgress(const FilesIOProgress&) = delete;
  FilesIOProgress& operator=(const FilesIOProgress&) = delete;
  ~FilesIOProgress() override;

  void StartOperation() override;
  void PercentDone(int16_t& x) override;
  void FinishOperation() override;

 private:
  std::string label_;
  std::optional<Progress> bar_;
  EventConnection connection_;
};

// The bar of a copy that the library makes in calls that report nothing
// (CFilesIO's Import, a document's save). A thread of its own reads the bytes
// the process has read and written since it began (/proc/self/io) ten times a
// second; a copy of `size` bytes that passes through read or write calls
// `passes` times is done when that many have moved.
class IoProgress {
 public:
  IoProgress(std::string label, uint64_t size, uint64_t passes);
  IoProgress(const IoProgress&) = delete;
  IoProgress& operator=(const IoProgress&) = delete;
  ~IoProgress();

  // The bytes read plus written by this process so far, or nullopt where the
  // kernel does not count them.
  static std::optional<uint64_t> BytesMoved();

 private:
  void Watch(uint64_t start, uint64_t passes);

  std::optional<Progress> bar_;
  std::mutex mutex_;
  std::condition_variable stop_requested_;
  bool stop_ = false;
  std::thread watcher_;
};

}  // namespace vellora2::cli
