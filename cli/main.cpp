// vellora: compound documents from the command line.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>
#include <fmt/core.h>

#include "cli/commands.hpp"
#include "cli/common.hpp"
#include "cli/salvage.hpp"
#include "vellora2/automation/error.hpp"
#include "vellora2/automation/text.hpp"

namespace {

constexpr int kFailure = 1;
// A command line that could not be understood, as coreutils and 7-Zip report it.
constexpr int kUsage = 2;

// Standard output is written through stdio's buffer: a full disk or a closed
// pipe shows only when it is flushed, and must still fail the command.
bool FlushOutput() {
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return true;
  std::fprintf(stderr, "vellora: standard output: %s\n", std::strerror(errno));
  return false;
}

// A line number as a person types it. CLI11's own number checks describe their
// range through a double, which prints the largest one in all its 309 digits.
CLI::Validator LineNumber() {
  return CLI::Validator(
      [](std::string& text) -> std::string {
        char* end = nullptr;
        errno = 0;
        const long long value = std::strtoll(text.c_str(), &end, 10);
        const bool digits = !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
        if (digits && *end == '\0' && errno != ERANGE && value >= 1 && value <= INT32_MAX) return {};
        return "a line number is a whole number from 1 to 2147483647, not " + text;
      },
      "1..2147483647");
}

}  // namespace

int main(int argc, char** argv) {
  using namespace vellora2;
  CLI::App app{"vellora: create, list, read and change compound documents (.qxv)"};
  app.require_subcommand(1);
  app.set_version_flag("--version", std::string("vellora ") + VELLORA2_VERSION);
  cli::Options options;
  std::string file, element, disk, target;
  int status = 0;

  auto* create = app.add_subcommand("create", "Create a new document, with its storages and properties");
  create->add_option("FILE", file, "The document to create")->required();
  create->add_flag("-f,--force", options.force, "Replace an existing file");
  create->add_flag("--plain", options.plain, "An empty compound file instead of a document");
  create->callback([&] { cli::Create(file, options); });

  bool list = false;
  auto* tree = app.add_subcommand("tree", "Show the element tree with stream sizes in bytes");
  tree->add_option("FILE", file)->required();
  tree->add_flag("--list", list, "One line per element for scripts: path, kind and size, tab-separated");
  tree->callback([&] { cli::Tree(file, list, stdout); });

  auto* import = app.add_subcommand("import", "Copy a disk file into a stream, creating storages on the way");
  import->add_option("DOCUMENT", file)->required();
  import->add_option("FILE", disk, "The disk file to copy in")->required();
  import->add_option("ELEMENT", element, "Element path, such as Settings\\Options")->required();
  import->add_flag("-f,--force", options.force, "Replace an existing stream");
  import->callback([&] { cli::Import(file, disk, element, options); });

  auto* exp = app.add_subcommand("export", "Copy a stream to a disk file, or a storage into a folder");
  exp->add_option("DOCUMENT", file)->required();
  exp->add_option("ELEMENT", element, "Element path (\\ for the whole document with -r)")->required();
  exp->add_option("FILE", disk, "The disk file or folder to write")->required();
  exp->add_flag("-f,--force", options.force, "Replace existing files");
  exp->add_flag("-r,--recursive", options.recursive, "Export a storage and everything in it");
  exp->callback([&] { cli::Export(file, element, disk, options); });

  auto* cat = app.add_subcommand("cat", "Write a stream's bytes to standard output");
  cat->add_option("DOCUMENT", file)->required();
  cat->add_option("ELEMENT", element)->required();
  cat->callback([&] { cli::Cat(file, element, stdout); });

  auto* rm = app.add_subcommand("rm", "Delete a stream or a storage with all it holds");
  rm->add_option("DOCUMENT", file)->required();
  rm->add_option("ELEMENT", element)->required();
  rm->callback([&] { cli::Remove(file, element); });

  auto* mv = app.add_subcommand("mv", "Rename or move an element");
  mv->add_option("DOCUMENT", file)->required();
  mv->add_option("FROM", element)->required();
  mv->add_option("TO", target)->required();
  mv->callback([&] { cli::Move(file, element, target); });

  auto* mkdir = app.add_subcommand("mkdir", "Create a storage, and the storages above it");
  mkdir->add_option("DOCUMENT", file)->required();
  mkdir->add_option("ELEMENT", element)->required();
  mkdir->add_flag("-p,--parents", options.parents, "No error if the storage exists");
  mkdir->callback([&] { cli::MakeStorage(file, element, options); });

  int32_t line_number = 0;
  auto* lines = app.add_subcommand("lines", "Print a stream's text lines, or only line N");
  lines->add_option("DOCUMENT", file)->required();
  lines->add_option("ELEMENT", element)->required();
  lines->add_option("N", line_number, "Line number, from 1")->check(LineNumber());
  lines->callback([&] { cli::Lines(file, element, line_number, stdout); });

  auto* images = app.add_subcommand("images", "List, add and extract a document's pictures (PNG, JPEG, GIF, BMP)");
  images->require_subcommand(1);
  auto* images_list = images->add_subcommand("list", "List the pictures with their format and size");
  images_list->add_option("DOCUMENT", file)->required();
  images_list->callback([&] { cli::ImagesList(file, stdout); });
  auto* images_add = images->add_subcommand("add", "Store a picture file in the document");
  images_add->add_option("DOCUMENT", file)->required();
  images_add->add_option("FILE", disk, "The picture file")->required();
  images_add->add_option("NAME", element, "The picture's name (default: the file's name)");
  images_add->add_flag("-f,--force", options.force, "Replace a picture of that name");
  images_add->callback([&] { cli::ImagesAdd(file, disk, element, options); });
  auto* images_extract = images->add_subcommand("extract", "Write a picture to a disk file, byte for byte");
  images_extract->add_option("DOCUMENT", file)->required();
  images_extract->add_option("NAME", element)->required();
  images_extract->add_option("FILE", disk, "The disk file to write")->required();
  images_extract->add_flag("-f,--force", options.force, "Replace an existing file");
  images_extract->callback([&] { cli::ImagesExtract(file, element, disk, options); });

  std::vector<std::string> sets, user_sets;
  auto* props = app.add_subcommand("props", "Show the summary and user properties, or set them");
  props->add_option("FILE", file)->required();
  props->add_option("--set", sets, "KEY=VALUE: title, subject, author, keywords, comments, application, company")
      ->allow_extra_args(false);
  props->add_option("--set-user", user_sets, "NAME=VALUE: a user-defined property, added or replaced")
      ->allow_extra_args(false);
  props->callback([&] { cli::Props(file, sets, user_sets, stdout); });

  auto* info = app.add_subcommand("info", "Show what the file's header says");
  info->add_option("FILE", file)->required();
  info->callback([&] { cli::Info(file, stdout); });

  auto* check = app.add_subcommand("check", "Validate the whole structure and name what is wrong");
  check->add_option("FILE", file)->required();
  check->callback([&] { status = cli::Check(file, stdout) == 0 ? 0 : kFailure; });

  cli::AddSalvageCommand(app, status);

  auto* compact = app.add_subcommand("compact", "Rewrite the file into its smallest form, as safely as a save");
  compact->add_option("FILE", file)->required();
  compact->footer(
      "Writes the document whole into a new file beside FILE, which then replaces\n"
      "it: each stream in one run, no free sectors, the small streams packed. A\n"
      "crash leaves the old file or the new one. Prints the size after and before.\n"
      "Saves already cut free space at the end of a file; compact is worth it after\n"
      "large streams were removed or replaced, when 'vellora info' shows far more\n"
      "sectors than the elements need. FILE must not be open elsewhere (error\n"
      "-2147287008 while another program holds it).");
  compact->callback([&] { cli::Compact(file, stdout); });

  auto* properties = app.add_subcommand(
      "properties", "Open the File Properties window, or print its three tabs when there is no display");
  properties->add_option("FILE", file)->required();
  properties->callback([&] { cli::Properties(file, stdout); });

  std::string topic;
  auto* help = app.add_subcommand("help", "Show the help of the tool, or of one command");
  help->add_option("COMMAND", topic, "A command, such as export");
  help->callback([&] {
    if (topic.empty()) throw CLI::CallForHelp();
    CLI::App* command = nullptr;
    try {
      command = app.get_subcommand(topic);
    } catch (const CLI::OptionNotFound&) {
      throw CLI::ValidationError("COMMAND", "no command named " + topic);
    }
    fmt::print("{}", command->help());
  });

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    // --help and --version end the parse too; they are no error.
    if (e.get_exit_code() == 0) return app.exit(e) == 0 && FlushOutput() ? 0 : kFailure;
    fmt::print(stderr, "vellora: {}\nTry 'vellora --help' or 'vellora help COMMAND' for more information.\n", e.what());
    return kUsage;
  } catch (const AutomationError& e) {
    std::fflush(stdout);
    fmt::print(stderr, "vellora: {} (error {})\n", cli::ShownText(ToUtf8(e.description())), e.number());
    return kFailure;
  } catch (const std::exception& e) {
    std::fflush(stdout);
    fmt::print(stderr, "vellora: {}\n", e.what());
    return kFailure;
  }
  return FlushOutput() ? status : kFailure;
}
