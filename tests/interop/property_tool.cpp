// Drives a storage's property operations for the interoperability tests, which
// compare what we read and write against other programs' property sets.
//
//   property_tool show FILE         the root's properties as one JSON object
//   property_tool set-title FILE T  sets the title, writes the summary set, commits
#include <cstdio>
#include <string>
#include <string_view>

#include <fmt/format.h>

#include "vellora2/automation/error.hpp"
#include "vellora2/automation/text.hpp"
#include "vellora2/automation/variant.hpp"
#include "vellora2/compound/stgm.hpp"
#include "vellora2/compound/storage_engine.hpp"

namespace {

using vellora2::FromUtf8;
using vellora2::Storage;
using vellora2::StorageEngine;
using vellora2::ToUtf8;
using vellora2::Variant;
using vellora2::VarType;

std::string Quote(std::u16string_view text) {
  std::string out = "\"";
  for (const char c : ToUtf8(text)) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      out += fmt::format("\\u{:04x}", static_cast<unsigned>(c));
    } else {
      out += c;
    }
  }
  return out + "\"";
}

// [subtype, value]: the subtype tells a Boolean from a number once in Python.
std::string UserValue(const Variant& value) {
  std::string json;
  switch (value.type()) {
    case VarType::Boolean:
      json = value.ToBool() ? "true" : "false";
      break;
    case VarType::Long:
    case VarType::Double:
      json = fmt::format("{}", value.ToDouble());
      break;
    case VarType::Empty:
      json = "null";
      break;
    default:
      json = Quote(value.ToString());
      break;
  }
  return fmt::format("[{}, {}]", value.vartype(), json);
}

void Show(Storage& root) {
  root.ReadSummaryInfo();
  root.ReadDocSummaryInfo();
  root.ReadUserProperties();
  const std::pair<const char*, std::u16string> texts[] = {
      {"title", root.Title()},          {"subject", root.Subject()},
      {"author", root.Author()},        {"keywords", root.Keywords()},
      {"comments", root.Comments()},    {"application", root.ApplicationName()},
      {"company", root.Company()},      {"revision", root.RevisionNumber()},
  };
  std::string json = "{";
  for (const auto& [key, text] : texts) json += fmt::format("\"{}\": {}, ", key, Quote(text));
  json += "\"user\": [";
  for (int32_t i = 0; i < root.UserPropertyCount(); ++i) {
    if (i > 0) json += ", ";
    json += fmt::format("[{}, {}]", Quote(root.UserPropertyName(i)), UserValue(root.UserPropertyValue(i)));
  }
  fmt::print("{}]}}\n", json);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string_view command = argc > 1 ? argv[1] : "";
  if (!((command == "show" && argc == 3) || (command == "set-title" && argc == 4))) {
    fmt::print(stderr, "usage: property_tool show FILE | set-title FILE TITLE\n");
    return 2;
  }
  try {
    StorageEngine engine;
    const bool write = command == "set-title";
    const int32_t mode = write ? vellora2::STGM_READWRITE | vellora2::STGM_SHARE_EXCLUSIVE | vellora2::STGM_TRANSACTED
                               : vellora2::STGM_READ | vellora2::STGM_SHARE_DENY_WRITE;
    Storage root = engine.OpenStorageFile(FromUtf8(argv[2]), mode);
    if (write) {
      root.Title(FromUtf8(argv[3]));
      root.WriteSummaryInfo();
      root.Commit();
    } else {
      Show(root);
    }
  } catch (const vellora2::AutomationError& e) {
    fmt::print(stderr, "property_tool: {} (error {})\n", ToUtf8(e.description()), e.number());
    return 1;
  }
  return 0;
}
