// A progress bar on standard error for long copies. It is drawn only when both
// standard output and standard error are a terminal: a person is watching, and
// no script is reading what the tool prints.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "vellora2/elements/cfilesio.hpp"

namespace vellora2::cli {

class Progress {
 public:
  enum class Unit { kBytes, kPercent };

  // Shows nothing unless `total` is at least `threshold`. Bytes are shown as
  // MiB beside the percentage; a count of kPercent is the percentage itself.
  Progress(std::string label, uint64_t total, uint64_t threshold = 8u << 20, Unit unit = Unit::kBytes);
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;
  ~Progress();

  // `done` of `total`.
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

}  // namespace vellora2::cli
