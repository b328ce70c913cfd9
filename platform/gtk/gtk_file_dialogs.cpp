// The open and save dialogs as GTK file choosers.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <vector>

#include "platform/dialog_results.hpp"
#include "platform/gtk/gtk_platform.hpp"
#include "platform/gtk/gtk_support.hpp"
#include "vellora2/automation/text.hpp"

namespace vellora2 {
namespace {

// A pattern as GTK matches it: "*.*" means every name here, and letters match
// either case, as the patterns' authors expect.
std::string GtkPattern(std::u16string_view pattern) {
  if (pattern == u"*.*") return "*";
  std::string result;
  int depth = 0;  // inside a [...] set the pattern's own rules apply
  for (char c : gtk::Utf8(pattern)) {
    if (c == '[') ++depth;
    if (c == ']' && depth > 0) --depth;
    const auto u = static_cast<unsigned char>(c);
    if (depth == 0 && std::isalpha(u) && u < 0x80) {
      result += '[';
      result += static_cast<char>(std::tolower(u));
      result += static_cast<char>(std::toupper(u));
      result += ']';
    } else {
      result += c;
    }
  }
  return result;
}

std::vector<std::u16string> ChosenPaths(GtkFileChooser* chooser) {
  std::vector<std::u16string> paths;
  GSList* names = gtk_file_chooser_get_filenames(chooser);
  for (GSList* item = names; item != nullptr; item = item->next) {
    paths.push_back(FromUtf8(static_cast<const char*>(item->data)));
  }
  g_slist_free_full(names, g_free);
  return paths;
}

// Asks over `dialog` whether the existing `path` may be replaced; true when it
// may, or when nothing is there to replace.
bool ConfirmReplace(GtkWidget* dialog, std::u16string_view path) {
  const std::string name = gtk::Utf8(path);
  if (!std::filesystem::exists(name)) return true;
  GtkWidget* question =
      gtk_message_dialog_new(GTK_WINDOW(dialog), GTK_DIALOG_MODAL, GTK_MESSAGE_QUESTION, GTK_BUTTONS_NONE,
                             "A file named \u201c%s\u201d already exists. Do you want to replace it?",
                             gtk::Utf8(dialog::FileNameOf(path)).c_str());
  gtk_message_dialog_format_secondary_text(GTK_MESSAGE_DIALOG(question), "Replacing it will overwrite its contents.");
  gtk_dialog_add_buttons(GTK_DIALOG(question), "_Cancel", GTK_RESPONSE_CANCEL, "_Replace", GTK_RESPONSE_ACCEPT,
                         nullptr);
  gtk_dialog_set_default_response(GTK_DIALOG(question), GTK_RESPONSE_CANCEL);
  gtk_window_set_title(GTK_WINDOW(question), gtk_window_get_title(GTK_WINDOW(dialog)));
  gtk_window_set_position(GTK_WINDOW(question), GTK_WIN_POS_CENTER_ON_PARENT);
  const gint answer = gtk_dialog_run(GTK_DIALOG(question));
  gtk_widget_destroy(question);
  return answer == GTK_RESPONSE_ACCEPT;
}

}  // namespace

bool GtkPlatform::GetOpenFileName(OpenFileNameRecord& record) { return FileChooser(record, false); }

bool GtkPlatform::GetSaveFileName(OpenFileNameRecord& record) { return FileChooser(record, true); }

bool GtkPlatform::FileChooser(OpenFileNameRecord& record, bool save) {
  SetDialogError(0);
  const std::string title = record.lpstrTitle.empty() ? (save ? "Save As" : "Open") : gtk::Utf8(record.lpstrTitle);
  GtkWidget* dialog = gtk_file_chooser_dialog_new(
      title.c_str(), nullptr, save ? GTK_FILE_CHOOSER_ACTION_SAVE : GTK_FILE_CHOOSER_ACTION_OPEN, "_Cancel",
      GTK_RESPONSE_CANCEL, save ? "_Save" : "_Open", GTK_RESPONSE_ACCEPT, nullptr);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
  GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
  gtk_file_chooser_set_local_only(chooser, TRUE);
  gtk_file_chooser_set_select_multiple(chooser, !save && (record.Flags & cdlg::kOfnAllowMultiSelect) != 0);
  // The chooser's own overwrite question sees the name as typed, before the
  // default extension is added; the question is asked below for the final name.
  gtk_file_chooser_set_do_overwrite_confirmation(chooser, FALSE);

  std::vector<GtkFileFilter*> filters;
  for (const auto& filter : dialog::ParseFilter(record.lpstrFilter)) {
    GtkFileFilter* gtk_filter = gtk_file_filter_new();
    gtk_file_filter_set_name(gtk_filter, gtk::Utf8(filter.description).c_str());
    for (const auto& pattern : filter.patterns) gtk_file_filter_add_pattern(gtk_filter, GtkPattern(pattern).c_str());
    gtk_file_chooser_add_filter(chooser, gtk_filter);  // the chooser takes the reference
    filters.push_back(gtk_filter);
  }
  if (!filters.empty()) {
    const uint32_t index = record.nFilterIndex >= 1 && record.nFilterIndex <= filters.size() ? record.nFilterIndex : 1;
    gtk_file_chooser_set_filter(chooser, filters[index - 1]);
  }

  // Without a folder of the host's the dialog starts in the current folder, as
  // a file name typed there means; GTK's own start would be "Recent".
  if (!record.lpstrInitialDir.empty()) {
    gtk_file_chooser_set_current_folder(chooser, gtk::Utf8(record.lpstrInitialDir).c_str());
  } else {
    gchar* here = g_get_current_dir();
    gtk_file_chooser_set_current_folder(chooser, here);
    g_free(here);
  }
  const std::u16string initial = dialog::BufferText(record.lpstrFile);
  if (!initial.empty()) {
    std::filesystem::path path(gtk::Utf8(initial));
    if (path.is_relative() && !record.lpstrInitialDir.empty()) path = gtk::Utf8(record.lpstrInitialDir) / path;
    if (save) {
      if (path.has_parent_path()) gtk_file_chooser_set_current_folder(chooser, path.parent_path().c_str());
      gtk_file_chooser_set_current_name(chooser, path.filename().c_str());
    } else if (std::filesystem::exists(path)) {
      gtk_file_chooser_select_filename(chooser, path.c_str());
    }
  }

  GtkWidget* read_only = nullptr;
  if (!save && !(record.Flags & cdlg::kOfnHideReadOnly)) {
    read_only = gtk_check_button_new_with_mnemonic("Open as _read-only");
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(read_only), (record.Flags & cdlg::kOfnReadOnly) != 0);
    gtk_file_chooser_set_extra_widget(chooser, read_only);
  }

  gtk::PlaceOver(dialog, record.hwndOwner);
  gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
  std::vector<std::u16string> paths;
  uint32_t filter_index = record.nFilterIndex;
  bool read_only_chosen = false;
  while (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
    paths = ChosenPaths(chooser);
    if (paths.empty()) continue;
    if (save) {
      paths.front() = dialog::WithDefaultExtension(paths.front(), record.lpstrDefExt);
      if ((record.Flags & cdlg::kOfnOverwritePrompt) && !ConfirmReplace(dialog, paths.front())) {
        paths.clear();
        continue;
      }
    } else if (record.Flags & cdlg::kOfnFileMustExist) {
      const auto missing = std::find_if(paths.begin(), paths.end(), [](const std::u16string& path) {
        return !std::filesystem::is_regular_file(gtk::Utf8(path));
      });
      if (missing != paths.end()) {
        gtk::Refuse(dialog,
                    gtk::Utf8(dialog::FileNameOf(*missing)) + "\nFile not found.\nCheck the file name and try again.");
        paths.clear();
        continue;
      }
    }
    GtkFileFilter* current = gtk_file_chooser_get_filter(chooser);
    for (size_t i = 0; i < filters.size(); ++i) {
      if (filters[i] == current) filter_index = static_cast<uint32_t>(i + 1);
    }
    read_only_chosen = read_only != nullptr && gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(read_only));
    break;
  }
  gtk_widget_destroy(dialog);
  ProcessEvents();
  if (paths.empty()) return false;
  if (read_only != nullptr) {
    record.Flags = read_only_chosen ? record.Flags | cdlg::kOfnReadOnly : record.Flags & ~cdlg::kOfnReadOnly;
  }
  record.nFilterIndex = filter_index;
  const uint32_t error = dialog::StoreChosenFiles(record, paths);
  SetDialogError(error);
  return error == 0;
}

}  // namespace vellora2
