// A page that cannot be shown ends in the program's own error, naming the page, and the host's
// loop ends so that the run can remove its Workspace. Needs a display (ctest runs it under
// xvfb-run); without one it is skipped.
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "base/path_name.h"
#include "browser/gtk/gtk_browser_host.h"

namespace {

struct BoxWatch {
  std::string text;
  int boxes = 0;
  GtkBrowserHost* host = nullptr;
  bool gaveUp = false;
};

// Answers the first message box that appears, as a user would, and keeps its text.
gboolean answerBox(gpointer data) {
  auto* watch = static_cast<BoxWatch*>(data);
  GList* windows = gtk_window_list_toplevels();
  for (GList* item = windows; item != nullptr; item = item->next) {
    if (!GTK_IS_MESSAGE_DIALOG(item->data) || !gtk_widget_get_visible(GTK_WIDGET(item->data))) {
      continue;
    }
    gchar* text = nullptr;
    g_object_get(item->data, "text", &text, nullptr);
    watch->text = text != nullptr ? text : "";
    g_free(text);
    ++watch->boxes;
    gtk_dialog_response(GTK_DIALOG(item->data), GTK_RESPONSE_OK);
    break;
  }
  g_list_free(windows);
  return G_SOURCE_CONTINUE;
}

// Never met when the host works: only keeps a broken host from holding the suite for ever.
gboolean giveUp(gpointer data) {
  auto* watch = static_cast<BoxWatch*>(data);
  watch->gaveUp = true;
  if (watch->host->window() != nullptr) gtk_widget_destroy(GTK_WIDGET(watch->host->window()));
  return G_SOURCE_REMOVE;
}

TEST(PageLoadFailure, ThePagesPathIsShownInTheProgramsOwnErrorAndTheLoopEnds) {
  if (!gtk_init_check(nullptr, nullptr)) GTEST_SKIP() << "no display";
  namespace fs = std::filesystem;
  const fs::path base =
      fs::temp_directory_path() / ("kx-load-failure-" + std::to_string(::getpid()));
  const fs::path workspace = base / "a #1" / "~kxent";
  fs::create_directories(workspace / "cfadmin");
  const PathName page = PathName(workspace.string().c_str()).join("cfadmin").join("index.html");

  GtkBrowserHost host("Kestrix Enterprise Configuration Tool", nullptr);
  ASSERT_EQ(host.createHostWindow(), 1);
  ASSERT_EQ(host.setWorkspacePath(workspace.string().c_str()), 1);
  ASSERT_EQ(host.setPageUrl(page.toFileUrl().text()), 1);
  BoxWatch watch;
  watch.host = &host;
  const guint answering = g_timeout_add(50, answerBox, &watch);
  const guint limit = g_timeout_add_seconds(120, giveUp, &watch);
  host.showAndNavigate();
  host.runMessageLoop();
  g_source_remove(answering);
  if (!watch.gaveUp) g_source_remove(limit);

  EXPECT_EQ(watch.boxes, 1);
  EXPECT_NE(watch.text.find(page.text()), std::string::npos) << watch.text;
  EXPECT_EQ(host.window(), nullptr) << "the window closed, which ends the run";
  fs::remove_all(base);
}

// A machine without WebKit (or with one that lacks a function the host calls) gets a box that
// names the library and the reason where the editor would have appeared, not a crash or an empty
// window, and answering it ends the run. The dialog's warm-up before it shows nothing.
TEST(PageLoadFailure, AWebViewThatCannotBeLoadedIsReportedAndTheLoopEnds) {
  if (!gtk_init_check(nullptr, nullptr)) GTEST_SKIP() << "no display";
  namespace fs = std::filesystem;
  const fs::path workspace =
      fs::temp_directory_path() / ("kx-engine-failure-" + std::to_string(::getpid()));
  fs::create_directories(workspace / "cfadmin");
  const PathName page = PathName(workspace.string().c_str()).join("cfadmin").join("index.html");
  struct Case {
    const char* library;
    const char* reason;
  };
  for (const Case& c : {Case{"libkx-no-such-webkit.so.0", "libkx-no-such-webkit.so.0"},
                        Case{"libm.so.6", "is missing"}}) {
    GtkBrowserHost host("Kestrix Enterprise Configuration Tool", nullptr);
    host.setEngineLibrary(c.library);
    ASSERT_EQ(host.createHostWindow(), 1);
    ASSERT_EQ(host.setWorkspacePath(workspace.string().c_str()), 1);
    ASSERT_EQ(host.setPageUrl(page.toFileUrl().text()), 1);
    BoxWatch watch;
    watch.host = &host;
    host.warmUp();
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
    answerBox(&watch);
    EXPECT_EQ(watch.boxes, 0) << c.library << ": the dialog's warm-up showed " << watch.text;
    EXPECT_EQ(host.webView(), nullptr) << c.library;

    const guint answering = g_timeout_add(50, answerBox, &watch);
    const guint limit = g_timeout_add_seconds(60, giveUp, &watch);
    host.showAndNavigate();
    EXPECT_FALSE(gtk_widget_get_visible(GTK_WIDGET(host.window()))) << "an empty window";
    host.runMessageLoop();
    g_source_remove(answering);
    if (!watch.gaveUp) g_source_remove(limit);

    EXPECT_EQ(watch.boxes, 1) << c.library;
    EXPECT_NE(watch.text.find(c.library), std::string::npos) << watch.text;
    EXPECT_NE(watch.text.find(c.reason), std::string::npos) << watch.text;
    EXPECT_EQ(host.window(), nullptr) << c.library << ": the window closed, which ends the run";
  }
  fs::remove_all(workspace);
}

}  // namespace
