#include "cli/progress.hpp"

#include <unistd.h>

#include <cstdio>
#include <string>

#include <fmt/core.h>

namespace vellora2::cli {

Progress::Progress(std::string label, uint64_t total, uint64_t threshold)
    : label_(std::move(label)), total_(total), shown_(total >= threshold && ::isatty(STDERR_FILENO)) {
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
  fmt::print(stderr, "\r{} [{}] {:5.1f}% {:.1f}/{:.1f} MiB", label_, bar, permille / 10.0, done / 1048576.0,
             total_ / 1048576.0);
  std::fflush(stderr);
}

}  // namespace vellora2::cli
