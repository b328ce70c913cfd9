#include "cli/progress.hpp"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include <fmt/core.h>

namespace vellora2::cli {
namespace {

constexpr uint64_t kPercentTotal = 100;
constexpr double kMiB = 1048576.0;

size_t TerminalColumns() {
  winsize size{};
  if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return 80;
}

// The start of `text` that fills at most `columns` columns, counting one per
// character (UTF-8 continuation bytes take none), "…" where it was cut.
std::string FitColumns(const std::string& text, size_t columns) {
  size_t count = 0;
  for (unsigned char c : text) count += (c & 0xC0) != 0x80;
  if (count <= columns) return text;
  if (columns == 0) return {};
  size_t kept = 0;
  size_t at = 0;
  for (; at < text.size(); ++at) {
    const auto c = static_cast<unsigned char>(text[at]);
    if ((c & 0xC0) != 0x80 && ++kept == columns) break;
  }
  return text.substr(0, at) + "…";
}

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
  done = std::min(done, total_);
  // Redraw only when the figure changes, so that a fast copy is not slowed by output.
  const int permille = total_ ? static_cast<int>(done * 1000 / total_) : 1000;
  if (permille != last_permille_) Draw(done);
}

void Progress::Draw(uint64_t done) {
  const int permille = total_ ? static_cast<int>(done * 1000 / total_) : 1000;
  last_permille_ = permille;
  const std::string figures =
      unit_ == Unit::kPercent
          ? fmt::format(" {:5.1f}%", permille / 10.0)
          : fmt::format(" {:5.1f}% {:.1f}/{:.1f} MiB", permille / 10.0, static_cast<double>(done) / kMiB,
                        static_cast<double>(total_) / kMiB);
  // One line that never wraps: a wrapped line would leave a copy of the bar on
  // every redraw. The bar takes at most 30 columns, the label what is left.
  const size_t columns = TerminalColumns() - 1;
  const size_t rest = columns > figures.size() + 3 ? columns - figures.size() - 3 : 0;
  const size_t width = std::min<size_t>(30, rest / 2);
  std::string label = FitColumns(label_, rest - width);
  std::string bar(static_cast<size_t>(permille) * width / 1000, '#');
  bar.resize(width, ' ');
  fmt::print(stderr, "\r{}{}[{}]{}", label, label.empty() ? "" : " ", bar, FitColumns(figures, columns));
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

std::optional<uint64_t> IoProgress::BytesMoved() {
  std::ifstream io("/proc/self/io");
  uint64_t total = 0;
  int found = 0;
  for (std::string key; io >> key;) {
    uint64_t value = 0;
    if (!(io >> value)) break;
    // rchar and wchar count what passed through read and write calls, whether
    // the page cache or the disk served it: the bytes a copy moves.
    if (key == "rchar:" || key == "wchar:") {
      total += value;
      ++found;
    }
  }
  if (found != 2) return std::nullopt;
  return total;
}

IoProgress::IoProgress(std::string label, uint64_t size, uint64_t passes) {
  if (size < Progress::kThreshold || passes == 0 || !Progress::Interactive()) return;
  const std::optional<uint64_t> start = BytesMoved();
  if (!start) return;
  bar_.emplace(std::move(label), size);
  watcher_ = std::thread([this, start, passes] { Watch(*start, passes); });
}

IoProgress::~IoProgress() {
  if (watcher_.joinable()) {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    stop_requested_.notify_one();
    watcher_.join();
  }
  // The copy is over, however far the counters came: the bar ends full.
  bar_.reset();
}

void IoProgress::Watch(uint64_t start, uint64_t passes) {
  std::unique_lock lock(mutex_);
  while (!stop_requested_.wait_for(lock, std::chrono::milliseconds(100), [this] { return stop_; })) {
    if (const std::optional<uint64_t> now = BytesMoved()) bar_->Update((*now - start) / passes);
  }
}

}  // namespace vellora2::cli
