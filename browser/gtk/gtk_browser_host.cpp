#include "browser/gtk/gtk_browser_host.h"

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "base/path_name.h"
#include "browser/gtk/startup_trace.h"
#include "browser/gtk/webkit_library.h"

namespace {

// The bridge runs in a script world of its own and in the top frame only, so that neither the
// page's scripts nor any frame can reach the message handlers; the page asks for a file write by
// dispatching a cancelable "kx-write-file" event on its own document, which the bridge cancels to
// say that it took the request.
constexpr char kBridgeWorld[] = "kestrix-bridge";

// Reports a followed `javascript:` link. It listens at window level in the bubble phase, so the
// link's own onclick has run first; a click that the onclick cancelled ("return false") is not a
// navigation and is not reported.
constexpr char kPageBridgeScript[] = R"JS(
(function () {
  var handlers = window.webkit && window.webkit.messageHandlers;
  if (!handlers || !handlers.navigate || !handlers.writeFile) return;
  window.addEventListener('click', function (event) {
    if (event.defaultPrevented || event.button !== 0) return;
    var node = event.target;
    while (node && !(node.nodeName && /^(a|area)$/i.test(node.nodeName))) node = node.parentNode;
    if (!node || !node.href) return;
    if (/^\s*javascript:/i.test(node.href)) handlers.navigate.postMessage(String(node.href));
  }, false);
  document.addEventListener('kx-write-file', function (event) {
    var detail = event.detail;
    if (!detail || typeof detail.name !== 'string' || typeof detail.text !== 'string') return;
    event.preventDefault();
    handlers.writeFile.postMessage({name: detail.name, text: detail.text});
  }, false);
})();
)JS";

// Every load that is not a local file is blocked before it leaves the view: frames, images,
// scripts, requests made by script, sockets.
constexpr char kLocalOnlyRules[] =
    R"([{"trigger":{"url-filter":".*"},"action":{"type":"block"}},)"
    R"({"trigger":{"url-filter":"^file:"},"action":{"type":"ignore-previous-rules"}}])";
constexpr char kLocalOnlyRulesId[] = "local-only";

// What the view shows while its engine starts behind the installer dialog.
constexpr char kWarmUpPage[] = "about:blank";

// A proxy address that accepts nothing: the discard port of this machine.
constexpr char kNoProxy[] = "http://127.0.0.1:9";

// The page's own message for a failed save, in a box titled as the program's other error boxes.
// It stays the page's text rather than the program's: on Windows the page writes through the
// scripting file object and shows this text itself; only here does the host write for it.
constexpr char kWriteFailedText[] = "Error generating configuration file";
constexpr char kWriteFailedTitle[] = "Error";

// How long the page has to say whether it holds unsaved edits: a page that hangs must not keep
// the window from closing.
constexpr guint kEditsAnswerLimitMs = 3000;

// A string property of a message object, or the empty string when there is none.
std::string stringProperty(const WebKitFunctions& wk, JSCValue* object, const char* name) {
  std::string text;
  JSCValue* value = wk.jsc_value_object_get_property(object, name);
  if (value != nullptr && wk.jsc_value_is_string(value)) {
    char* chars = wk.jsc_value_to_string(value);
    text = chars;
    g_free(chars);
  }
  if (value != nullptr) g_object_unref(value);
  return text;
}

// The file a local URI names, written as the platform writes paths; empty for any other URI, and
// for a URI with a query, which makes it another address than the file's own.
std::string localFileOf(const char* uri) {
  if (uri == nullptr) return std::string();
  std::string text(uri);
  // A fragment names a place in the page, not another document.
  const std::size_t hash = text.find('#');
  if (hash != std::string::npos) text.resize(hash);
  if (text.find('?') != std::string::npos) return std::string();
  char* hostname = nullptr;
  char* file = g_filename_from_uri(text.c_str(), &hostname, nullptr);
  std::string path;
  if (file != nullptr && (hostname == nullptr || std::strcmp(hostname, "localhost") == 0)) {
    path = std::filesystem::path(file).lexically_normal().string();
  }
  g_free(file);
  g_free(hostname);
  return path;
}

void copyBounded(char* target, std::size_t capacity, const char* text) {
  const char* source = text != nullptr ? text : "";
  std::strncpy(target, source, capacity - 1);
  target[capacity - 1] = '\0';
}

}  // namespace

GtkBrowserHost::GtkBrowserHost(const char* title, GdkPixbuf* icon)
    : windowTitle_{}, icon_(icon), engineLibrary_(kWebKitLibrary) {
  copyBounded(windowTitle_, sizeof windowTitle_, title);
  if (icon_ != nullptr) g_object_ref(icon_);
}

GtkBrowserHost::~GtkBrowserHost() {
  stopCloseQuery();
  // WebKit may still be loading on its thread; its answer must not reach a host that is gone.
  if (engineLoad_ != nullptr) {
    g_cancellable_cancel(engineLoad_);
    g_object_unref(engineLoad_);
  }
  // A filter still being made must not call back into a host that is gone.
  if (filterSetup_ != nullptr) {
    g_cancellable_cancel(filterSetup_);
    g_object_unref(filterSetup_);
  }
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
  applyTitle();
  if (icon_ != nullptr) gtk_window_set_icon(window_, icon_);
  gtk_window_set_default_size(window_, place.width, place.height);
  gtk_window_move(window_, screen.x + place.x, screen.y + place.y);
  g_signal_connect(window_, "destroy", G_CALLBACK(onDestroy), this);
  g_signal_connect(window_, "delete-event", G_CALLBACK(onDeleteEvent), this);

  return 1;
}

void GtkBrowserHost::applyTitle() {
  // GTK takes UTF-8 titles; a name that is not keeps to the program's own title.
  const std::string title = windowTitleFor(windowTitle_);
  gtk_window_set_title(window_,
                       g_utf8_validate(title.c_str(), -1, nullptr) ? title.c_str() : windowTitle_);
}

gboolean GtkBrowserHost::onDeleteEvent(GtkWidget*, GdkEvent*, gpointer self) {
  auto* host = static_cast<GtkBrowserHost*>(self);
  // A second request while the page or the user is still being asked changes nothing.
  if (host->closeQueryOpen_) return TRUE;
  // Only the loaded Workspace page can hold edits.
  if (host->view_ == nullptr || !host->pageLoaded_ || !host->showsWorkspacePage()) return FALSE;
  const WebKitFunctions& wk = *host->wk_;
  host->closeQueryOpen_ = 1;
  host->closeQuery_ = g_cancellable_new();
  // The answer carries its own query: once that is stopped, the host is not reached, even by an
  // answer that was already on its way.
  auto pending = std::make_unique<CloseQuery>(host, host->closeQuery_);
  wk.webkit_web_view_evaluate_javascript(host->view_, unsavedEditsScript(), -1, nullptr, nullptr,
                                         host->closeQuery_, onEditsAnswered, pending.release());
  host->closeQueryLimit_ = g_timeout_add(kEditsAnswerLimitMs, onEditsAnswerLate, host);
  return TRUE;
}

void GtkBrowserHost::onEditsAnswered(GObject* view, GAsyncResult* result, gpointer data) {
  const std::unique_ptr<CloseQuery> pending(static_cast<CloseQuery*>(data));
  // The host may be gone; the functions are not, since a view was made with them.
  const WebKitFunctions& wk = *loadedWebKit();
  GError* error = nullptr;
  JSCValue* value = wk.webkit_web_view_evaluate_javascript_finish(
      webkitCast<WebKitWebView>(view, wk.webkit_web_view_get_type()), result, &error);
  PageEdits edits = PageEdits::kUnknown;
  if (value != nullptr && wk.jsc_value_is_boolean(value)) {
    edits = wk.jsc_value_to_boolean(value) ? PageEdits::kUnsaved : PageEdits::kNone;
  }
  if (value != nullptr) g_object_unref(value);
  if (error != nullptr) g_error_free(error);
  // A query that was stopped belongs to a host that has moved on, or is gone.
  const bool stopped = g_cancellable_is_cancelled(pending->query);
  if (!stopped) pending->host->finishCloseQuery(edits);
}

gboolean GtkBrowserHost::onEditsAnswerLate(gpointer self) {
  auto* host = static_cast<GtkBrowserHost*>(self);
  host->closeQueryLimit_ = 0;
  host->finishCloseQuery(PageEdits::kUnknown);
  return G_SOURCE_REMOVE;
}

void GtkBrowserHost::finishCloseQuery(PageEdits edits) {
  if (closeQuery_ == nullptr) return;
  // The answer came (or the time is up): the other one no longer counts.
  stopCloseQuery();
  closeQueryOpen_ = 1;
  const int close = mayClose(edits);
  closeQueryOpen_ = 0;
  if (close && window_ != nullptr) gtk_widget_destroy(GTK_WIDGET(window_));
}

void GtkBrowserHost::stopCloseQuery() {
  if (closeQueryLimit_ != 0) g_source_remove(closeQueryLimit_);
  closeQueryLimit_ = 0;
  if (closeQuery_ != nullptr) {
    g_cancellable_cancel(closeQuery_);
    g_object_unref(closeQuery_);
  }
  closeQuery_ = nullptr;
  closeQueryOpen_ = 0;
}

int GtkBrowserHost::loadEngine() {
  if (wk_ != nullptr) return 1;
  if (!engineFailure_.empty()) return 0;
  std::string reason;
  wk_ = loadWebKit(engineLibrary_.c_str(), &reason);
  if (wk_ == nullptr) {
    engineFailure_ = reason.empty() ? std::string("it could not be loaded") : reason;
    return 0;
  }
  traceStartupEvent("browser library loaded");
  return 1;
}

void GtkBrowserHost::startEngineLoad() {
  if (engineLoad_ != nullptr) return;
  engineLoad_ = g_cancellable_new();
  GTask* task = g_task_new(nullptr, engineLoad_, onEngineLoaded, this);
  g_task_set_task_data(task, g_strdup(engineLibrary_.c_str()), g_free);
  g_task_run_in_thread(task, [](GTask* loading, gpointer, gpointer library, GCancellable*) {
    // Only the loading happens here; the table is taken on the main thread, where loadWebKit
    // returns it at once (or waits for this call, if the page is asked for first).
    std::string ignored;
    loadWebKit(static_cast<const char*>(library), &ignored);
    g_task_return_boolean(loading, TRUE);
  });
  g_object_unref(task);
}

void GtkBrowserHost::onEngineLoaded(GObject*, GAsyncResult* result, gpointer self) {
  // A cancelled load belongs to a host that is gone: `self` is not touched.
  if (g_cancellable_is_cancelled(g_task_get_cancellable(G_TASK(result)))) return;
  auto* host = static_cast<GtkBrowserHost*>(self);
  g_object_unref(host->engineLoad_);
  host->engineLoad_ = nullptr;
  // A library that failed to load is reported when the page is asked for.
  if (host->loadEngine()) host->warmUpImpl();
}

int GtkBrowserHost::embedView() {
  if (!loadEngine()) return 0;
  const WebKitFunctions& wk = *wk_;
  // The page lives in the Workspace, which the view's sandboxed web process must be able to read;
  // sandbox paths can only be given before the view starts its processes.
  // A second view in the same process (the run has one, its tests several) finds the processes
  // started: asking again would end the program.
  static bool sandboxPathGiven = false;
  WebKitWebContext* context = wk.webkit_web_context_get_default();
  if (workspacePath()[0] != '\0' && !sandboxPathGiven) {
    wk.webkit_web_context_add_path_to_sandbox(context, workspacePath(), TRUE);
    sandboxPathGiven = true;
  }
  view_ = webkitCast<WebKitWebView>(wk.webkit_web_view_new(), wk.webkit_web_view_get_type());
  WebKitSettings* settings = wk.webkit_web_view_get_settings(view_);
  // The page reads nothing through script and writes through the bridge, so no file page may
  // read other files or reach into frames of other files.
  wk.webkit_settings_set_allow_file_access_from_file_urls(settings, FALSE);
  wk.webkit_settings_set_allow_universal_access_from_file_urls(settings, FALSE);
  wk.webkit_settings_set_javascript_can_open_windows_automatically(settings, FALSE);
  // The page declares no charset so that each platform reads it in its narrow code page; on this
  // platform that is UTF-8, the encoding the configuration's bytes arrive in.
  wk.webkit_settings_set_default_charset(settings, "UTF-8");
  // WebKit may open a connection ahead of a navigation while it still asks whether to follow
  // it; with every connection sent to a proxy that is not there, even those stay on this machine.
  WebKitNetworkProxySettings* nowhere = wk.webkit_network_proxy_settings_new(kNoProxy, nullptr);
  wk.webkit_website_data_manager_set_network_proxy_settings(
      wk.webkit_web_view_get_website_data_manager(view_), WEBKIT_NETWORK_PROXY_MODE_CUSTOM,
      nowhere);
  wk.webkit_network_proxy_settings_free(nowhere);
  contentManager_ = wk.webkit_web_view_get_user_content_manager(view_);
  installPageBridge(contentManager_);
  g_signal_connect(view_, "decide-policy", G_CALLBACK(onDecidePolicy), this);
  g_signal_connect(view_, "create", G_CALLBACK(onCreate), this);
  g_signal_connect(view_, "load-failed", G_CALLBACK(onLoadFailed), this);
  g_signal_connect(view_, "context-menu", G_CALLBACK(onContextMenu), this);
  g_signal_connect(view_, "load-changed", G_CALLBACK(onLoadChanged), this);
  g_signal_connect_after(view_, "draw", G_CALLBACK(onViewDrawn), this);
  gtk_container_add(GTK_CONTAINER(window_), GTK_WIDGET(view_));
  return 1;
}

void GtkBrowserHost::installPageBridge(WebKitUserContentManager* manager) {
  const WebKitFunctions& wk = *wk_;
  g_signal_connect(manager, "script-message-received::navigate", G_CALLBACK(onNavigateMessage),
                   this);
  g_signal_connect(manager, "script-message-received::writeFile", G_CALLBACK(onWriteFileMessage),
                   this);
  wk.webkit_user_content_manager_register_script_message_handler_in_world(manager, "navigate",
                                                                          kBridgeWorld);
  wk.webkit_user_content_manager_register_script_message_handler_in_world(manager, "writeFile",
                                                                          kBridgeWorld);
  WebKitUserScript* script = wk.webkit_user_script_new_for_world(
      kPageBridgeScript, WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
      WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, kBridgeWorld, nullptr, nullptr);
  wk.webkit_user_content_manager_add_script(manager, script);
  wk.webkit_user_script_unref(script);
}

void GtkBrowserHost::warmUpImpl() {
  // The sandbox must be given the Workspace before the processes start, so it must be known.
  if (window_ == nullptr || workspacePath()[0] == '\0' || pageRequested_) return;
  // WebKit's libraries load on a worker thread, so that the dialog keeps answering the user
  // meanwhile; the warm-up goes on when they are in.
  if (wk_ == nullptr) {
    if (engineFailure_.empty()) startEngineLoad();
    return;
  }
  if (view_ == nullptr) {
    if (!embedView()) return;
    // WebKit holds back the work of a view that was never on screen, and pays for it at the
    // page's load; an off-screen window keeps the view drawn where nobody sees it.
    gint width = 0;
    gint height = 0;
    gtk_window_get_default_size(window_, &width, &height);
    warmUpWindow_ = gtk_offscreen_window_new();
    gtk_window_set_default_size(GTK_WINDOW(warmUpWindow_), width, height);
    moveView(GTK_CONTAINER(window_), GTK_CONTAINER(warmUpWindow_));
    gtk_widget_show_all(warmUpWindow_);
  }
  traceStartupEvent("browser warm-up started");
  prepareLoadFilter();
  // An empty document starts the web process; it has no script, may go nowhere, and nothing it
  // sends is answered, since it is not the Workspace page.
  wk_->webkit_web_view_load_uri(view_, kWarmUpPage);
}

void GtkBrowserHost::moveView(GtkContainer* from, GtkContainer* to) {
  GtkWidget* view = GTK_WIDGET(view_);
  g_object_ref(view);
  gtk_container_remove(from, view);
  gtk_container_add(to, view);
  g_object_unref(view);
}

void GtkBrowserHost::showAndNavigateImpl(const char*) {
  if (window_ == nullptr) return;
  traceStartupEvent("page requested");
  applyTitle();
  if (view_ == nullptr && !embedView()) {
    pageRequested_ = 1;
    showEngineFailure();
    return;
  }
  if (warmUpWindow_ != nullptr) {
    moveView(GTK_CONTAINER(warmUpWindow_), GTK_CONTAINER(window_));
    gtk_widget_destroy(warmUpWindow_);
    warmUpWindow_ = nullptr;
  }
  pageRequested_ = 1;
  gtk_widget_show_all(GTK_WIDGET(window_));
  // Without a Workspace there is no page to show.
  if (workspacePath()[0] == '\0') return;
  if (filterReady_) {
    wk_->webkit_web_view_load_uri(view_, pageUrl());
  } else {
    prepareLoadFilter();
  }
}

void GtkBrowserHost::prepareLoadFilter() {
  if (filterSetup_ != nullptr) return;
  const WebKitFunctions& wk = *wk_;
  // The page is loaded only once the filter that keeps every load local is in place. The
  // compiled filter is kept in the Workspace, which is removed with everything in it.
  filterSetup_ = g_cancellable_new();
  const PathName store = PathName(workspacePath()).join("filters");
  WebKitUserContentFilterStore* filters = wk.webkit_user_content_filter_store_new(store.text());
  GBytes* rules = g_bytes_new_static(kLocalOnlyRules, sizeof kLocalOnlyRules - 1);
  wk.webkit_user_content_filter_store_save(filters, kLocalOnlyRulesId, rules, filterSetup_,
                                           onFilterReady, this);
  g_bytes_unref(rules);
  g_object_unref(filters);
}

void GtkBrowserHost::onFilterReady(GObject* store, GAsyncResult* result, gpointer self) {
  // A cancelled save may answer after its host is gone; the functions stay.
  const WebKitFunctions& wk = *loadedWebKit();
  GError* error = nullptr;
  WebKitUserContentFilter* filter = wk.webkit_user_content_filter_store_save_finish(
      webkitCast<WebKitUserContentFilterStore>(store,
                                               wk.webkit_user_content_filter_store_get_type()),
      result, &error);
  if (filter == nullptr) {
    // Without the filter the page is not shown: nothing may load from outside the Workspace.
    if (!g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED)) {
      g_warning("the page's load filter could not be made: %s", error->message);
    }
    g_error_free(error);
    return;
  }
  auto* host = static_cast<GtkBrowserHost*>(self);
  if (host->view_ != nullptr && host->contentManager_ != nullptr) {
    wk.webkit_user_content_manager_add_filter(host->contentManager_, filter);
    host->filterReady_ = 1;
    if (host->pageRequested_) wk.webkit_web_view_load_uri(host->view_, host->pageUrl());
  }
  wk.webkit_user_content_filter_unref(filter);
}

int GtkBrowserHost::isWorkspacePage(const char* uri) const {
  if (workspacePath()[0] == '\0') return 0;
  const std::string file = localFileOf(uri);
  if (file.empty()) return 0;
  const PathName page = PathName(workspacePath()).join("cfadmin").join("index.html");
  return file == std::filesystem::path(page.text()).lexically_normal().string() ? 1 : 0;
}

int GtkBrowserHost::showsWorkspacePage() const {
  return view_ != nullptr && isWorkspacePage(wk_->webkit_web_view_get_uri(view_)) ? 1 : 0;
}

void GtkBrowserHost::runMessageLoopImpl() {
  if (window_ == nullptr) return;
  loopRunning_ = 1;
  gtk_main();
  loopRunning_ = 0;
}

void GtkBrowserHost::generationEndedImpl(int written) {
  if (!showsWorkspacePage()) return;
  wk_->webkit_web_view_evaluate_javascript(view_, generationEndedScript(written), -1, nullptr,
                                           nullptr, nullptr, nullptr, nullptr);
}

void GtkBrowserHost::onDestroy(GtkWidget*, gpointer self) {
  auto* host = static_cast<GtkBrowserHost*>(self);
  host->stopCloseQuery();
  // The page's messages stop here: nothing may reach the host once its window is gone.
  if (host->contentManager_ != nullptr) {
    g_signal_handlers_disconnect_by_data(host->contentManager_, host);
    host->contentManager_ = nullptr;
  }
  if (host->view_ != nullptr) g_signal_handlers_disconnect_by_data(host->view_, host);
  // A view still warming up lives in its own window, which goes with the host's.
  if (host->warmUpWindow_ != nullptr) gtk_widget_destroy(host->warmUpWindow_);
  host->warmUpWindow_ = nullptr;
  host->view_ = nullptr;
  host->window_ = nullptr;
  if (host->loopRunning_) gtk_main_quit();
}

void GtkBrowserHost::onNavigateMessage(WebKitUserContentManager*, WebKitJavascriptResult* result,
                                       gpointer self) {
  auto* host = static_cast<GtkBrowserHost*>(self);
  const WebKitFunctions& wk = *host->wk_;
  if (!host->showsWorkspacePage()) return;
  JSCValue* value = wk.webkit_javascript_result_get_js_value(result);
  if (!wk.jsc_value_is_string(value)) return;
  char* url = wk.jsc_value_to_string(value);
  host->onBeforeNavigate(url);
  g_free(url);
}

void GtkBrowserHost::onWriteFileMessage(WebKitUserContentManager*, WebKitJavascriptResult* result,
                                        gpointer self) {
  auto* host = static_cast<GtkBrowserHost*>(self);
  const WebKitFunctions& wk = *host->wk_;
  // Only the Workspace page may write beside itself; anything else that speaks is not answered.
  if (!host->showsWorkspacePage()) return;
  JSCValue* value = wk.webkit_javascript_result_get_js_value(result);
  int written = 0;
  if (wk.jsc_value_is_object(value)) {
    const std::string name = stringProperty(wk, value, "name");
    const std::string text = stringProperty(wk, value, "text");
    written = host->onWriteFile(name.c_str(), text.c_str());
  } else {
    written = host->onWriteFile(nullptr, nullptr);
  }
  if (!written) host->showWriteFailure();
}

void GtkBrowserHost::showEngineFailure() {
  // No empty window is shown: only the box, whose answer closes the hidden window and so ends the
  // run, which removes the Workspace.
  std::string text = "The preference editor could not be shown: its web view (";
  text += engineLibrary_;
  text += ") could not be loaded.\n\n";
  text += engineFailure_;
  text += "\n\nInstall WebKitGTK 4.1 (on Debian, the package libwebkit2gtk-4.1-0).";
  GtkWidget* box = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_ERROR,
                                          GTK_BUTTONS_OK, "%s", text.c_str());
  gtk_window_set_title(GTK_WINDOW(box), kWriteFailedTitle);
  if (icon_ != nullptr) gtk_window_set_icon(GTK_WINDOW(box), icon_);
  g_signal_connect(box, "response", G_CALLBACK(onLoadFailureAnswered), this);
  gtk_widget_show_all(box);
}

void GtkBrowserHost::showWriteFailure() {
  std::string text = kWriteFailedText;
  if (!lastWriteFailure().empty()) text += "\n\n" + lastWriteFailure();
  GtkWidget* box = gtk_message_dialog_new(window_, GTK_DIALOG_MODAL, GTK_MESSAGE_ERROR,
                                          GTK_BUTTONS_OK, "%s", text.c_str());
  gtk_window_set_title(GTK_WINDOW(box), kWriteFailedTitle);
  gtk_dialog_run(GTK_DIALOG(box));
  gtk_widget_destroy(box);
}

gboolean GtkBrowserHost::onDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                                        WebKitPolicyDecisionType type, gpointer self) {
  auto* host = static_cast<GtkBrowserHost*>(self);
  const WebKitFunctions& wk = *host->wk_;
  WebKitURIRequest* request = nullptr;
  switch (type) {
    case WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION:
      if (!host->onNewWindow()) return FALSE;
      wk.webkit_policy_decision_ignore(decision);
      return TRUE;
    case WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION:
      request = wk.webkit_navigation_action_get_request(
          wk.webkit_navigation_policy_decision_get_navigation_action(
              webkitCast<WebKitNavigationPolicyDecision>(
                  decision, wk.webkit_navigation_policy_decision_get_type())));
      break;
    case WEBKIT_POLICY_DECISION_TYPE_RESPONSE:
      request =
          wk.webkit_response_policy_decision_get_request(webkitCast<WebKitResponsePolicyDecision>(
              decision, wk.webkit_response_policy_decision_get_type()));
      break;
    default:
      break;
  }
  // The view shows the Workspace page and nothing else, in the window and in every frame; only
  // until the page is asked for, it may show the empty document that starts the engine.
  const char* uri = request != nullptr ? wk.webkit_uri_request_get_uri(request) : nullptr;
  if (uri != nullptr && host->isWorkspacePage(uri)) return FALSE;
  if (uri != nullptr && !host->pageRequested_ && std::strcmp(uri, kWarmUpPage) == 0) return FALSE;
  wk.webkit_policy_decision_ignore(decision);
  return TRUE;
}

GtkWidget* GtkBrowserHost::onCreate(WebKitWebView*, WebKitNavigationAction*, gpointer) {
  return nullptr;
}

gboolean GtkBrowserHost::onLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar*, GError* error,
                                      gpointer self) {
  auto* host = static_cast<GtkBrowserHost*>(self);
  const WebKitFunctions& wk = *host->wk_;
  // A load that was only cancelled or refused leaves the page as it is.
  const bool stopped = error != nullptr && (g_error_matches(error, wk.webkit_network_error_quark(),
                                                            WEBKIT_NETWORK_ERROR_CANCELLED) ||
                                            error->domain == wk.webkit_policy_error_quark());
  if (host->pageLoaded_ || host->pageFailed_ || stopped || !host->pageRequested_) {
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
  // The empty document of the warm-up is not the page.
  if (host->pageLoaded_ || !host->showsWorkspacePage()) {
    if (!host->pageRequested_) traceStartupEvent("browser warmed up");
    return;
  }
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
