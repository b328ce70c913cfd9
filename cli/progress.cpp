#include "cli/progress.hpp"

#include <unistd.h>

#include <cstdio>
#include <string>

#include <fmt/core.h>

namespace vellora2::cli {
namespace {

constexpr uint64_t kPercentTotal = 100;
constexpr double kMiB = 1048576.0;

}  // namespace

bool Progress::Interactive() { return ::isatty(STDOUT_FILENO) && ::isatty(STDERR_FILENO); }

Progress::Progress(std::string label, uint64_t total, uint64_t threshold, Unit unit)
    : label_(std::move(label)), total_(total), unit_(unit), shown_(total >= threshold && Interactive()) {
  if (shown_) Draw(0);
}

Progress::~Progress() {
  if (shown_) {
    Draw(total_);
    std::fputc('\n', stderr);
  }
}

void Progress::Update(uint64_t done) {
  if (!shown_) return;
  // Redraw only when the figure changes, so that a fast copy is not slowed by output.
  const int permille = total_ ? static_cast<int>(done * 1000 / total_) : 1000;
  if (permille != last_permille_) Draw(done);
}

void Progress::Draw(uint64_t done) {
  constexpr int kWidth = 30;
  const int permille = total_ ? static_cast<int>(done * 1000 / total_) : 1000;
  last_permille_ = permille;
  const int filled = permille * kWidth / 1000;
  std::string bar(static_cast<size_t>(filled), '#');
  bar.resize(kWidth, ' ');
  if (unit_ == Unit::kPercent) {
    fmt::print(stderr, "\r{} [{}] {:5.1f}%", label_, bar, permille / 10.0);
  } else {
    fmt::print(stderr, "\r{} [{}] {:5.1f}% {:.1f}/{:.1f} MiB", label_, bar, permille / 10.0,
               static_cast<double>(done) / kMiB, static_cast<double>(total_) / kMiB);
  }
  std::fflush(stderr);
}

FilesIOProgress::FilesIOProgress(CFilesIO& files, std::string label)
    : label_(std::move(label)), connection_(files.Connect(this)) {}

FilesIOProgress::~FilesIOProgress() {
  connection_.Disconnect();
  // A failed export raises no FinishOperation; the bar still ends its line.
  bar_.reset();
}

void FilesIOProgress::StartOperation() {
  bar_.emplace(label_, kPercentTotal, 0, Progress::Unit::kPercent);
}

void FilesIOProgress::PercentDone(int16_t& x) {
  if (bar_ && x >= 0) bar_->Update(static_cast<uint64_t>(x));
}

void FilesIOProgress::FinishOperation() { bar_.reset(); }

}  // namespace vellora2::cli
