#include "app/gtk/gtk_shell.h"

#include <glib-unix.h>
#include <signal.h>

#include <string>

#include "app/gtk/gtk_file_choosers.h"
#include "app/gtk/gtk_installer_dialog.h"
#include "app/gtk/resource_pixbuf.h"
#include "app/gtk/window_placement.h"
#include "app/message_table.h"
#include "browser/gtk/gtk_browser_host.h"
#include "browser/gtk/startup_trace.h"

namespace {

// How long the painted splash may take to appear before start-up goes on without waiting.
constexpr guint kSplashPaintLimitMs = 2000;

struct PaintWait {
  int painted = 0;
  int gaveUp = 0;
};

gboolean onSplashDrawn(GtkWidget*, cairo_t*, gpointer wait) {
  static_cast<PaintWait*>(wait)->painted = 1;
  return FALSE;
}

gboolean onSplashPaintLimit(gpointer wait) {
  static_cast<PaintWait*>(wait)->gaveUp = 1;
  return G_SOURCE_REMOVE;
}

}  // namespace

// The host's owner lives as long as the host: boxes shown after it is gone have no owner.
class GtkShell::ShellBrowserHost : public GtkBrowserHost {
 public:
  ShellBrowserHost(GtkShell& shell, GdkPixbuf* icon)
      : GtkBrowserHost(messageText(message_id::kWindowTitle), icon), shell_(shell) {}
  ~ShellBrowserHost() override {
    if (shell_.host_ == this) shell_.host_ = nullptr;
  }

 private:
  GtkShell& shell_;
};

GtkShell::GtkShell(ResourceSource& programResources) : resources_(programResources) {}

GtkShell::~GtkShell() {
  watchTermination(nullptr);
  closeSplash();
}

void GtkShell::showSplash() {
  if (splash_ != nullptr) return;
  GdkPixbuf* bitmap = loadResourcePixbuf(resources_, "Bitmap", "135");
  if (bitmap == nullptr) return;
  splash_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  GtkWindow* window = GTK_WINDOW(splash_);
  gtk_window_set_title(window, "");
  gtk_window_set_decorated(window, FALSE);
  gtk_window_set_resizable(window, FALSE);
  gtk_window_set_type_hint(window, GDK_WINDOW_TYPE_HINT_SPLASHSCREEN);
  gtk_container_add(GTK_CONTAINER(splash_), gtk_image_new_from_pixbuf(bitmap));
  centreWindow(window, gdk_pixbuf_get_width(bitmap), gdk_pixbuf_get_height(bitmap));
  g_object_unref(bitmap);

  // The caller blocks on the Workspace preparation next and pumps no messages, so the splash
  // must be on the screen before this returns.
  PaintWait wait;
  const gulong drawn = g_signal_connect_after(splash_, "draw", G_CALLBACK(onSplashDrawn), &wait);
  const guint limit = g_timeout_add(kSplashPaintLimitMs, onSplashPaintLimit, &wait);
  gtk_widget_show_all(splash_);
  while (!wait.painted && !wait.gaveUp) gtk_main_iteration_do(TRUE);
  if (!wait.gaveUp) g_source_remove(limit);
  g_signal_handler_disconnect(splash_, drawn);
  while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
  gdk_display_sync(gtk_widget_get_display(splash_));
  traceStartupEvent("splash painted");
}

void GtkShell::closeSplash() {
  if (splash_ == nullptr) return;
  gtk_widget_destroy(splash_);
  splash_ = nullptr;
}

int GtkShell::runInstallerDialog(InstallerDialogModel& model) {
  GdkPixbuf* banner = loadResourcePixbuf(resources_, "Bitmap", "104");
  GtkInstallerDialog dialog(banner);
  if (banner != nullptr) g_object_unref(banner);
  dialogWindow_ = dialog.window();
  const int result = dialog.run(model);
  dialogWindow_ = nullptr;
  return result;
}

SharedString GtkShell::chooseSaveFile(const PathParts& suggestion) {
  return chooseDestinationFile(owner(), suggestion);
}

void GtkShell::showMessage(int messageId, int failure, const std::string& reason) {
  const std::string shown = composeMessage(messageText(messageId), reason);
  GtkWidget* box = gtk_message_dialog_new(owner(), GTK_DIALOG_MODAL,
                                          failure ? GTK_MESSAGE_ERROR : GTK_MESSAGE_INFO,
                                          GTK_BUTTONS_OK, "%s", shown.c_str());
  const int title = failure ? message_id::kErrorTitle : message_id::kSucceededTitle;
  gtk_window_set_title(GTK_WINDOW(box), messageText(title));
  gtk_dialog_run(GTK_DIALOG(box));
  gtk_widget_destroy(box);
}

int GtkShell::askYesNo(int messageId, const char* argument) {
  const std::string text =
      composeMessage(messageText(messageId), argument != nullptr ? argument : "");
  GtkWidget* box = gtk_message_dialog_new(owner(), GTK_DIALOG_MODAL, GTK_MESSAGE_QUESTION,
                                          GTK_BUTTONS_YES_NO, "%s", text.c_str());
  gtk_window_set_title(GTK_WINDOW(box), messageText(message_id::kConfirmTitle));
  const int answer = gtk_dialog_run(GTK_DIALOG(box));
  gtk_widget_destroy(box);
  return answer == GTK_RESPONSE_YES ? 1 : 0;
}

std::unique_ptr<BrowserHost> GtkShell::createBrowserHost() {
  GdkPixbuf* icon = loadResourcePixbuf(resources_, "Icon", "101");
  auto host = std::make_unique<ShellBrowserHost>(*this, icon);
  if (icon != nullptr) g_object_unref(icon);
  host_ = host.get();
  return host;
}

void GtkShell::watchTermination(std::function<void()> handler) {
  terminationHandler_ = std::move(handler);
  static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
  for (std::size_t i = 0; i < std::size(kSignals); ++i) {
    SignalWatch& watch = signalWatches_[i];
    if (terminationHandler_ && watch.source == 0) {
      // GLib's handler only wakes the main loop; the work runs there, where anything is allowed.
      watch = SignalWatch{this, kSignals[i], 0};
      watch.source = g_unix_signal_add(kSignals[i], onTerminationSignal, &watch);
    } else if (!terminationHandler_ && watch.source != 0) {
      g_source_remove(watch.source);
      watch.source = 0;
    }
  }
}

gboolean GtkShell::onTerminationSignal(gpointer data) {
  auto* watch = static_cast<SignalWatch*>(data);
  if (watch->shell->terminationHandler_) watch->shell->terminationHandler_();
  // End the way the signal itself would have ended the program.
  ::signal(watch->signal, SIG_DFL);
  ::raise(watch->signal);
  return G_SOURCE_REMOVE;
}

GtkWindow* GtkShell::owner() const {
  if (dialogWindow_ != nullptr) return dialogWindow_;
  if (host_ != nullptr) return host_->window();
  return nullptr;
}
