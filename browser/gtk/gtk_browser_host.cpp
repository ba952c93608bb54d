#include "browser/gtk/gtk_browser_host.h"

#include <cstring>
#include <string>

#include "browser/gtk/startup_trace.h"

namespace {

// Reports a followed `javascript:` link. It listens at window level in the bubble phase, so the
// link's own onclick has run first; a click that the onclick cancelled ("return false") is not a
// navigation and is not reported.
constexpr char kPageBridgeScript[] = R"JS(
(function () {
  var handlers = window.webkit && window.webkit.messageHandlers;
  if (!handlers || !handlers.navigate) return;
  window.addEventListener('click', function (event) {
    if (event.defaultPrevented || event.button !== 0) return;
    var node = event.target;
    while (node && !(node.nodeName && /^(a|area)$/i.test(node.nodeName))) node = node.parentNode;
    if (!node || !node.href) return;
    if (/^\s*javascript:/i.test(node.href)) handlers.navigate.postMessage(String(node.href));
  }, false);
})();
)JS";

// The page's own message for a failed save, in a box titled as the program's other error boxes.
constexpr char kWriteFailedText[] = "Error generating configuration file";
constexpr char kWriteFailedTitle[] = "Error";

// A string property of a message object, or the empty string when there is none.
std::string stringProperty(JSCValue* object, const char* name) {
  std::string text;
  JSCValue* value = jsc_value_object_get_property(object, name);
  if (value != nullptr && jsc_value_is_string(value)) {
    char* chars = jsc_value_to_string(value);
    text = chars;
    g_free(chars);
  }
  if (value != nullptr) g_object_unref(value);
  return text;
}

void copyBounded(char* target, std::size_t capacity, const char* text) {
  const char* source = text != nullptr ? text : "";
  std::strncpy(target, source, capacity - 1);
  target[capacity - 1] = '\0';
}

}  // namespace

GtkBrowserHost::GtkBrowserHost(const char* title, GdkPixbuf* icon) : windowTitle_{}, icon_(icon) {
  copyBounded(windowTitle_, sizeof windowTitle_, title);
  if (icon_ != nullptr) g_object_ref(icon_);
}

GtkBrowserHost::~GtkBrowserHost() {
  if (window_ != nullptr) gtk_widget_destroy(GTK_WIDGET(window_));
  if (icon_ != nullptr) g_object_unref(icon_);
}

int GtkBrowserHost::createHostWindowImpl() {
  if (window_ != nullptr) return 1;
  GdkDisplay* display = gdk_display_get_default();
  if (display == nullptr) return 0;
  GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
  if (monitor == nullptr) monitor = gdk_display_get_monitor(display, 0);
  GdkRectangle screen{0, 0, 1024, 768};
  if (monitor != nullptr) gdk_monitor_get_geometry(monitor, &screen);
  const Geometry place = geometryForScreen(screen.width, screen.height);

  window_ = GTK_WINDOW(gtk_window_new(GTK_WINDOW_TOPLEVEL));
  gtk_window_set_title(window_, windowTitle_);
  if (icon_ != nullptr) gtk_window_set_icon(window_, icon_);
  gtk_window_set_default_size(window_, place.width, place.height);
  gtk_window_move(window_, screen.x + place.x, screen.y + place.y);
  g_signal_connect(window_, "destroy", G_CALLBACK(onDestroy), this);

  return 1;
}

void GtkBrowserHost::embedView() {
  // The page lives in the Workspace, which the view's sandboxed web process must be able to read;
  // sandbox paths can only be given before the view starts its processes.
  WebKitWebContext* context = webkit_web_context_get_default();
  if (workspacePath()[0] != '\0')
    webkit_web_context_add_path_to_sandbox(context, workspacePath(), TRUE);
  view_ = WEBKIT_WEB_VIEW(webkit_web_view_new());
  WebKitSettings* settings = webkit_web_view_get_settings(view_);
  // The page loads its own scripts, styles and images beside it in the Workspace.
  webkit_settings_set_allow_file_access_from_file_urls(settings, TRUE);
  webkit_settings_set_javascript_can_open_windows_automatically(settings, FALSE);
  // The page declares no charset so that each platform reads it in its narrow code page; on this
  // platform that is UTF-8, the encoding the configuration's bytes arrive in.
  webkit_settings_set_default_charset(settings, "UTF-8");
  contentManager_ = webkit_web_view_get_user_content_manager(view_);
  installPageBridge(contentManager_);
  g_signal_connect(view_, "decide-policy", G_CALLBACK(onDecidePolicy), this);
  g_signal_connect(view_, "create", G_CALLBACK(onCreate), this);
  g_signal_connect(view_, "load-failed", G_CALLBACK(onLoadFailed), this);
  g_signal_connect(view_, "context-menu", G_CALLBACK(onContextMenu), this);
  g_signal_connect(view_, "load-changed", G_CALLBACK(onLoadChanged), this);
  g_signal_connect_after(view_, "draw", G_CALLBACK(onViewDrawn), this);
  gtk_container_add(GTK_CONTAINER(window_), GTK_WIDGET(view_));
}

void GtkBrowserHost::installPageBridge(WebKitUserContentManager* manager) {
  g_signal_connect(manager, "script-message-received::navigate", G_CALLBACK(onNavigateMessage),
                   this);
  g_signal_connect(manager, "script-message-received::writeFile", G_CALLBACK(onWriteFileMessage),
                   this);
  webkit_user_content_manager_register_script_message_handler(manager, "navigate");
  webkit_user_content_manager_register_script_message_handler(manager, "writeFile");
  WebKitUserScript* script =
      webkit_user_script_new(kPageBridgeScript, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                             WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
  webkit_user_content_manager_add_script(manager, script);
  webkit_user_script_unref(script);
}

void GtkBrowserHost::showAndNavigateImpl(const char* url) {
  if (window_ == nullptr) return;
  if (view_ == nullptr) embedView();
  gtk_widget_show_all(GTK_WIDGET(window_));
  webkit_web_view_load_uri(view_, url);
}

void GtkBrowserHost::runMessageLoopImpl() {
  if (window_ == nullptr) return;
  loopRunning_ = 1;
  gtk_main();
  loopRunning_ = 0;
}

void GtkBrowserHost::onDestroy(GtkWidget*, gpointer self) {
  auto* host = static_cast<GtkBrowserHost*>(self);
  // The page's messages stop here: nothing may reach the host once its window is gone.
  if (host->contentManager_ != nullptr) {
    g_signal_handlers_disconnect_by_data(host->contentManager_, host);
    host->contentManager_ = nullptr;
  }
  if (host->view_ != nullptr) g_signal_handlers_disconnect_by_data(host->view_, host);
  host->view_ = nullptr;
  host->window_ = nullptr;
  if (host->loopRunning_) gtk_main_quit();
}

void GtkBrowserHost::onNavigateMessage(WebKitUserContentManager*, WebKitJavascriptResult* result,
                                       gpointer self) {
  JSCValue* value = webkit_javascript_result_get_js_value(result);
  if (!jsc_value_is_string(value)) return;
  char* url = jsc_value_to_string(value);
  static_cast<GtkBrowserHost*>(self)->onBeforeNavigate(url);
  g_free(url);
}

void GtkBrowserHost::onWriteFileMessage(WebKitUserContentManager*, WebKitJavascriptResult* result,
                                        gpointer self) {
  auto* host = static_cast<GtkBrowserHost*>(self);
  JSCValue* value = webkit_javascript_result_get_js_value(result);
  int written = 0;
  if (jsc_value_is_object(value)) {
    const std::string name = stringProperty(value, "name");
    const std::string text = stringProperty(value, "text");
    written = host->onWriteFile(name.c_str(), text.c_str());
  } else {
    written = host->onWriteFile(nullptr, nullptr);
  }
  if (!written) host->showWriteFailure();
}

void GtkBrowserHost::showWriteFailure() {
  GtkWidget* box = gtk_message_dialog_new(window_, GTK_DIALOG_MODAL, GTK_MESSAGE_ERROR,
                                          GTK_BUTTONS_OK, "%s", kWriteFailedText);
  gtk_window_set_title(GTK_WINDOW(box), kWriteFailedTitle);
  gtk_dialog_run(GTK_DIALOG(box));
  gtk_widget_destroy(box);
}

gboolean GtkBrowserHost::onDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                                        WebKitPolicyDecisionType type, gpointer self) {
  if (type != WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION) return FALSE;
  if (!static_cast<GtkBrowserHost*>(self)->onNewWindow()) return FALSE;
  webkit_policy_decision_ignore(decision);
  return TRUE;
}

GtkWidget* GtkBrowserHost::onCreate(WebKitWebView*, WebKitNavigationAction*, gpointer) {
  return nullptr;
}

gboolean GtkBrowserHost::onLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar*, GError* error,
                                      gpointer self) {
  auto* host = static_cast<GtkBrowserHost*>(self);
  // A load that was only cancelled or refused leaves the page as it is.
  const bool stopped = error != nullptr && (g_error_matches(error, WEBKIT_NETWORK_ERROR,
                                                            WEBKIT_NETWORK_ERROR_CANCELLED) ||
                                            error->domain == WEBKIT_POLICY_ERROR);
  if (host->pageLoaded_ || host->pageFailed_ || stopped) {
    return host->onNavigateError() ? TRUE : FALSE;
  }
  // The page itself never came: WebKit's own error page would leave the user with no way on.
  host->pageFailed_ = 1;
  const std::string message =
      host->pageLoadFailureMessage(error != nullptr ? error->message : nullptr);
  GtkWidget* box = gtk_message_dialog_new(host->window_, GTK_DIALOG_MODAL, GTK_MESSAGE_ERROR,
                                          GTK_BUTTONS_OK, "%s", message.c_str());
  gtk_window_set_title(GTK_WINDOW(box), kWriteFailedTitle);
  gtk_window_set_destroy_with_parent(GTK_WINDOW(box), TRUE);
  g_signal_connect(box, "response", G_CALLBACK(onLoadFailureAnswered), host);
  gtk_widget_show_all(box);
  return TRUE;
}

void GtkBrowserHost::onLoadFailureAnswered(GtkDialog* box, gint, gpointer self) {
  gtk_widget_destroy(GTK_WIDGET(box));
  auto* host = static_cast<GtkBrowserHost*>(self);
  // Closing the window ends the message loop, and with it the run.
  if (host->window_ != nullptr) gtk_widget_destroy(GTK_WIDGET(host->window_));
}

gboolean GtkBrowserHost::onContextMenu(WebKitWebView*, WebKitContextMenu*, GdkEvent*,
                                       WebKitHitTestResult*, gpointer) {
  return TRUE;
}

void GtkBrowserHost::onLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer self) {
  if (event != WEBKIT_LOAD_FINISHED) return;
  auto* host = static_cast<GtkBrowserHost*>(self);
  if (host->pageLoaded_) return;
  host->pageLoaded_ = 1;
  traceStartupEvent("page loaded");
  if (host->view_ != nullptr) gtk_widget_queue_draw(GTK_WIDGET(host->view_));
}

gboolean GtkBrowserHost::onViewDrawn(GtkWidget*, cairo_t*, gpointer self) {
  auto* host = static_cast<GtkBrowserHost*>(self);
  if (host->pageLoaded_ && !host->editorPainted_) {
    host->editorPainted_ = 1;
    traceStartupEvent("editor painted");
  }
  return FALSE;
}
