#include "cli/salvage.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include <fmt/core.h>

#include "cli/common.hpp"
#include "vellora2/automation/error.hpp"
#include "vellora2/automation/text.hpp"
#include "vellora2/compound/salvage.hpp"

namespace vellora2::cli {
namespace {

constexpr int kUsage = 2;

void MakeFolder(const std::string& dir) {
  struct stat st {};
  if (::lstat(dir.c_str(), &st) == 0) {
    // Never follow a link: it could lead out of the folder we were given.
    if (!S_ISDIR(st.st_mode)) Fail(rt::kFileAlreadyExists, dir + " exists and is not a folder");
  } else if (::mkdir(dir.c_str(), 0777) != 0) {
    FailErrno(dir);
  }
}

void WriteStream(const SalvagedFile& salvaged, size_t index, const std::string& path, bool force) {
  WriteDiskFile(path, force, [&](const std::string& temp) {
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) FailErrno(path);
    std::vector<std::byte> buf(size_t{1} << 20);
    try {
      for (uint64_t at = 0;;) {
        const size_t n = salvaged.Read(index, at, buf);
        if (n == 0) break;
        for (size_t off = 0; off < n;) {
          const ssize_t w = ::write(fd, buf.data() + off, n - off);
          if (w < 0 && errno == EINTR) continue;
          if (w < 0) FailErrno(path);
          off += static_cast<size_t>(w);
        }
        at += n;
      }
    } catch (...) {
      ::close(fd);
      throw;
    }
    if (::close(fd) != 0) FailErrno(path);
  });
}

// The recovered tree as folders and files, names made safe as `export -r`
// makes them.
void WriteFolder(const SalvagedFile& salvaged, const std::string& dir, bool force) {
  MakeFolder(dir);
  const auto& elements = salvaged.Elements();
  for (size_t i = 0; i < elements.size(); ++i) {
    std::string target = dir;
    const std::u16string& path = elements[i].path;
    for (size_t begin = 0; begin <= path.size();) {
      const size_t end = std::min(path.find(u'\\', begin), path.size());
      target += '/';
      target += DiskName(std::u16string_view(path).substr(begin, end - begin));
      begin = end + 1;
    }
    if (elements[i].is_storage) {
      MakeFolder(target);
    } else {
      WriteStream(salvaged, i, target, force);
    }
  }
}

}  // namespace

void AddSalvageCommand(CLI::App& app, int& status) {
  struct Arguments {
    std::string damaged, out;
    bool to_folder = false;
    bool force = false;
  };
  auto args = std::make_shared<Arguments>();
  auto* salvage = app.add_subcommand(
      "salvage", "Recover what can be read of a damaged file into a new one, with a report (OUT.report.txt)");
  salvage->add_option("DAMAGED", args->damaged, "The damaged compound file");
  salvage->add_option("OUT", args->out, "The compound file (or with --to-folder, the folder) to write");
  salvage->add_flag("--to-folder", args->to_folder, "Write plain files into a folder instead");
  salvage->add_flag("-f,--force", args->force, "Replace existing files");
  // Usage errors are checked here rather than by the parser, so that they
  // end with status 2 as the command promises.
  salvage->allow_extras();
  salvage->callback([salvage, args, &status] {
    if (args->damaged.empty() || args->out.empty() || !salvage->remaining().empty()) {
      fmt::print(stderr, "vellora salvage: usage: vellora salvage [--to-folder] [-f] DAMAGED OUT\n");
      status = kUsage;
      return;
    }
    const SalvagedFile salvaged = SalvagedFile::Open(FromUtf8(args->damaged));
    if (args->to_folder) {
      WriteFolder(salvaged, args->out, args->force);
    } else {
      WriteDiskFile(args->out, args->force,
                    [&](const std::string& temp) { salvaged.WriteCompoundFile(FromUtf8(temp)); });
    }
    const std::string report = salvaged.Report();
    const std::string report_path = args->out + ".report.txt";
    WriteDiskFile(report_path, args->force, [&](const std::string& temp) { WriteNewFile(temp, report); });
    // The counts line, and the report's name, tell the user where to look.
    const size_t counts = report.find(" streams: ");
    const size_t line = report.rfind('\n', counts) + 1;
    fmt::print("{}: {}", args->damaged, report.substr(line, report.find('\n', counts) + 1 - line));
    fmt::print("{}: report in {}\n", args->damaged, report_path);
    status = salvaged.Whole() ? 0 : 1;
  });
}

}  // namespace vellora2::cli
