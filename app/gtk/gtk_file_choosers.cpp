#include "app/gtk/gtk_file_choosers.h"

#include <string>
#include <vector>

#include "app/gtk/window_placement.h"
#include "app/message_table.h"

namespace {

constexpr char kDefaultExtension[] = ".exe";
// GTK remembers no size for its choosers outside a desktop session; the Windows dialog's is used.
constexpr int kChooserWidth = 640;
constexpr int kChooserHeight = 440;

}  // namespace

std::string caselessPattern(const std::string& pattern) {
  std::string caseless;
  int inSet = 0;
  for (const char c : pattern) {
    const char lower = g_ascii_tolower(c);
    const char upper = g_ascii_toupper(c);
    // A set the pattern writes itself is left as written.
    if (inSet || lower == upper) {
      caseless += c;
      if (c == '[') inSet = 1;
      if (c == ']') inSet = 0;
    } else {
      caseless += '[';
      caseless += lower;
      caseless += upper;
      caseless += ']';
    }
  }
  return caseless;
}

// Message 100 lists description|pattern pairs, as the Windows choosers take them.
std::vector<GtkFileFilter*> executableFilters() {
  std::vector<GtkFileFilter*> filters;
  const std::string list = messageText(message_id::kExecutableFilter);
  std::size_t at = 0;
  while (at < list.size()) {
    const std::size_t bar = list.find('|', at);
    if (bar == std::string::npos) break;
    const std::size_t end = list.find('|', bar + 1);
    const std::string name = list.substr(at, bar - at);
    const std::string patterns =
        list.substr(bar + 1, (end == std::string::npos ? list.size() : end) - bar - 1);
    GtkFileFilter* filter = gtk_file_filter_new();
    gtk_file_filter_set_name(filter, name.c_str());
    std::size_t p = 0;
    while (p <= patterns.size()) {
      const std::size_t semi = patterns.find(';', p);
      const std::string one =
          patterns.substr(p, semi == std::string::npos ? std::string::npos : semi - p);
      if (!one.empty()) gtk_file_filter_add_pattern(filter, caselessPattern(one).c_str());
      if (semi == std::string::npos) break;
      p = semi + 1;
    }
    filters.push_back(filter);
    if (end == std::string::npos) break;
    at = end + 1;
  }
  return filters;
}

namespace {

void addExecutableFilters(GtkFileChooser* chooser) {
  for (GtkFileFilter* filter : executableFilters()) gtk_file_chooser_add_filter(chooser, filter);
}

// As the Windows Save dialog does: a name whose last part has no '.' gets the default extension.
std::string withDefaultExtension(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  const std::size_t dot = path.find_last_of('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) return path;
  return path + kDefaultExtension;
}

int confirmReplace(GtkWindow* owner, const std::string& path) {
  char* shown = g_filename_display_basename(path.c_str());
  GtkWidget* box =
      gtk_message_dialog_new(owner, GTK_DIALOG_MODAL, GTK_MESSAGE_WARNING, GTK_BUTTONS_YES_NO,
                             "%s already exists.\nDo you want to replace it?", shown);
  g_free(shown);
  gtk_window_set_title(GTK_WINDOW(box), "Confirm Save As");
  const int answer = gtk_dialog_run(GTK_DIALOG(box));
  gtk_widget_destroy(box);
  return answer == GTK_RESPONSE_YES ? 1 : 0;
}

GtkWidget* newChooser(GtkWindow* owner, const char* title, GtkFileChooserAction action,
                      const char* acceptLabel) {
  GtkWidget* dialog =
      gtk_file_chooser_dialog_new(title, owner, action, "_Cancel", GTK_RESPONSE_CANCEL, acceptLabel,
                                  GTK_RESPONSE_ACCEPT, nullptr);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
  gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
  addExecutableFilters(GTK_FILE_CHOOSER(dialog));
  // The chooser sizes itself when it is shown; the size is set again once it is on the screen.
  gtk_widget_show(dialog);
  gtk_window_resize(GTK_WINDOW(dialog), kChooserWidth, kChooserHeight);
  centreWindow(GTK_WINDOW(dialog), kChooserWidth, kChooserHeight);
  return dialog;
}

std::string takeFilename(GtkWidget* dialog) {
  char* name = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialog));
  std::string path = name != nullptr ? name : "";
  g_free(name);
  return path;
}

}  // namespace

SharedString chooseInstallerFile(GtkWindow* owner) {
  GtkWidget* dialog = newChooser(owner, "Open", GTK_FILE_CHOOSER_ACTION_OPEN, "_Open");
  std::string path;
  if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) path = takeFilename(dialog);
  gtk_widget_destroy(dialog);
  return SharedString(path.c_str());
}

SharedString chooseDestinationFile(GtkWindow* owner, const PathParts& suggestion) {
  GtkWidget* dialog = newChooser(owner, "Save As", GTK_FILE_CHOOSER_ACTION_SAVE, "_Save");
  GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
  if (!suggestion.folder.empty() && g_file_test(suggestion.folder.c_str(), G_FILE_TEST_IS_DIR)) {
    gtk_file_chooser_set_current_folder(chooser, suggestion.folder.c_str());
  }
  if (!suggestion.name.empty()) {
    // The chooser's name field takes display text; a name that is not valid UTF-8 is left out.
    char* shown = g_filename_to_utf8(suggestion.name.c_str(), -1, nullptr, nullptr, nullptr);
    if (shown != nullptr) gtk_file_chooser_set_current_name(chooser, shown);
    g_free(shown);
  }
  // The replace question comes after the default extension is added, so it asks about the file
  // that would really be replaced.
  gtk_file_chooser_set_do_overwrite_confirmation(chooser, FALSE);
  std::string path;
  while (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
    const std::string chosen = takeFilename(dialog);
    if (chosen.empty()) continue;
    const std::string target = withDefaultExtension(chosen);
    if (g_file_test(target.c_str(), G_FILE_TEST_EXISTS) &&
        !confirmReplace(GTK_WINDOW(dialog), target)) {
      continue;
    }
    path = target;
    break;
  }
  gtk_widget_destroy(dialog);
  return SharedString(path.c_str());
}
