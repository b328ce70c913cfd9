// vellora props: the property sets of any compound file, through the engine's
// property operations. A document needs no document layer for them, and a
// file from another writer (an office suite's, say) is shown and changed alike.
#include <algorithm>
#include <string_view>

#include <fmt/core.h>

#include "cli/commands.hpp"
#include "cli/common.hpp"
#include "vellora2/automation/error.hpp"
#include "vellora2/automation/text.hpp"
#include "vellora2/automation/variant.hpp"
#include "vellora2/compound/storage_engine.hpp"

namespace vellora2::cli {
namespace {

// The text properties a user can set, by the key shown and taken on the command line.
struct TextField {
  std::string_view key;
  std::u16string (Storage::*get)() const;
  void (Storage::*set)(std::u16string_view);
  bool document_summary;  // company lives in the document summary set
};

const TextField kFields[] = {
    {"title", &Storage::Title, &Storage::Title, false},
    {"subject", &Storage::Subject, &Storage::Subject, false},
    {"author", &Storage::Author, &Storage::Author, false},
    {"keywords", &Storage::Keywords, &Storage::Keywords, false},
    {"comments", &Storage::Comments, &Storage::Comments, false},
    {"application", &Storage::ApplicationName, &Storage::ApplicationName, false},
    {"company", &Storage::Company, &Storage::Company, true},
};

// Splits "key=value" at its first "=".
std::pair<std::string, std::string> KeyValue(const std::string& text, std::string_view option) {
  const size_t eq = text.find('=');
  if (eq == std::string::npos || eq == 0) {
    Fail(rt::kInvalidCall, fmt::format("{} takes NAME=VALUE, not \"{}\"", option, text));
  }
  return {text.substr(0, eq), text.substr(eq + 1)};
}

const TextField& FieldOf(const std::string& key) {
  const std::u16string wanted = ToLower(FromUtf8(key));
  for (const auto& field : kFields) {
    if (FromUtf8(field.key) == wanted) return field;
  }
  std::string known;
  for (const auto& field : kFields) known += (known.empty() ? "" : ", ") + std::string(field.key);
  Fail(rt::kInvalidCall, fmt::format("no property \"{}\" to set; the properties are {}", key, known));
}

// A stored time as the local time a person reads, or "" for a time never set.
std::string TimeText(StorageEngine& engine, Date stored) {
  if (stored == Date{}) return "";
  const DateParts p = PartsFromDate(engine.ConvertTime(stored));
  return fmt::format("{:04}-{:02}-{:02} {:02}:{:02}:{:02}", p.year, p.month, p.day, p.hour, p.minute, p.second);
}

// Replaces the value of the user property `name` (found without regard to
// case) in place, keeping the name as stored and the position a document's
// readers expect; appends it when there is none.
void SetUserProperty(Storage& root, const std::u16string& name, const std::u16string& value) {
  const std::u16string wanted = ToUpper(name);
  for (int32_t i = 0; i < root.UserPropertyCount(); ++i) {
    if (ToUpper(root.UserPropertyName(i)) == wanted) return root.SetUserProperty(i, root.UserPropertyName(i), Variant(value));
  }
  root.AddUserProperty(name, Variant(value));
}

void Row(std::FILE* out, std::string_view key, const std::string& value) {
  if (value.empty()) {
    fmt::print(out, "  {}:\n", key);
  } else {
    fmt::print(out, "  {:<14}{}\n", fmt::format("{}:", key), value);
  }
}

void List(const std::string& file, std::FILE* out) {
  StorageEngine engine;
  Storage root = engine.OpenStorageFile(FromUtf8(file), kRootRead);
  fmt::print(out, "Summary information\n");
  for (const auto& field : kFields) {
    if (!field.document_summary) Row(out, field.key, ToUtf8((root.*field.get)()));
  }
  Row(out, "revision", ToUtf8(root.RevisionNumber()));
  Row(out, "created", TimeText(engine, root.Created()));
  Row(out, "last saved", TimeText(engine, root.LastSaved()));
  Row(out, "last printed", TimeText(engine, root.LastPrinted()));
  Row(out, "edit time", fmt::format("{} min", root.EditTime()));
  fmt::print(out, "Document summary information\n");
  for (const auto& field : kFields) {
    if (field.document_summary) Row(out, field.key, ToUtf8((root.*field.get)()));
  }
  fmt::print(out, "User-defined properties\n");
  for (int32_t i = 0; i < root.UserPropertyCount(); ++i) {
    Row(out, ShownText(ToUtf8(root.UserPropertyName(i))), ToUtf8(root.UserPropertyValue(i).ToString()));
  }
}

}  // namespace

void Props(const std::string& file, const std::vector<std::string>& sets, const std::vector<std::string>& user_sets,
           std::FILE* out) {
  if (sets.empty() && user_sets.empty()) return List(file, out);
  // Every argument is checked before the file is opened for writing.
  std::vector<std::pair<const TextField*, std::u16string>> fields;
  for (const auto& text : sets) {
    const auto [key, value] = KeyValue(text, "--set");
    fields.emplace_back(&FieldOf(key), FromUtf8(value));
  }
  std::vector<std::pair<std::u16string, std::u16string>> user;
  for (const auto& text : user_sets) {
    const auto [name, value] = KeyValue(text, "--set-user");
    user.emplace_back(FromUtf8(name), FromUtf8(value));
  }
  StorageEngine engine;
  Storage root = engine.OpenStorageFile(FromUtf8(file), kRootWrite);
  bool summary = false;
  bool document_summary = false;
  for (const auto& [field, value] : fields) {
    (root.*field->set)(value);
    (field->document_summary ? document_summary : summary) = true;
  }
  for (const auto& [name, value] : user) SetUserProperty(root, name, value);
  if (summary) root.WriteSummaryInfo();
  if (document_summary) root.WriteDocSummaryInfo();
  if (!user.empty()) root.WriteUserProperties();
  root.Commit();
}

}  // namespace vellora2::cli
