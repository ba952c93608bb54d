#pragma once

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <string>

#include "browser/browser_host.h"
#include "browser/gtk/webkit_library.h"

// The browser host on Linux: a GTK window whose whole client area is a WebKitGTK view showing the
// preference editor page and nothing else: every other navigation, in the window or a frame, is
// refused and every load that is not a local file is blocked. WebKit does not report `javascript:`
// navigations, so a script injected into the page's top frame reports followed `javascript:` links
// through the "navigate" message handler; the page writes its configuration through the
// "writeFile" handler. Both answer only while the view shows the Workspace page.
class GtkBrowserHost : public BrowserHost {
 public:
  // `title` is string 101 (at most 255 characters are kept); `icon` may be null.
  GtkBrowserHost(const char* title, GdkPixbuf* icon);
  ~GtkBrowserHost() override;

  // Null before createHostWindow (the view: before warmUp or showAndNavigate) and after the window
  // closed.
  GtkWindow* window() const { return window_; }
  WebKitWebView* webView() const { return view_; }

  // The library the view is loaded from when it is first made (kWebKitLibrary unless a test says
  // otherwise). When it cannot be loaded, showing the page tells the user why instead, and
  // answering that box closes the window.
  void setEngineLibrary(const char* library) { engineLibrary_ = library != nullptr ? library : ""; }

 protected:
  int createHostWindowImpl() override;
  void warmUpImpl() override;
  void showAndNavigateImpl(const char* url) override;
  void runMessageLoopImpl() override;
  void generationEndedImpl(int written) override;

 private:
  static void onDestroy(GtkWidget* widget, gpointer self);
  static void onNavigateMessage(WebKitUserContentManager* manager, WebKitJavascriptResult* result,
                                gpointer self);
  static void onWriteFileMessage(WebKitUserContentManager* manager, WebKitJavascriptResult* result,
                                 gpointer self);
  static gboolean onDecidePolicy(WebKitWebView* view, WebKitPolicyDecision* decision,
                                 WebKitPolicyDecisionType type, gpointer self);
  static GtkWidget* onCreate(WebKitWebView* view, WebKitNavigationAction* action, gpointer self);
  static gboolean onLoadFailed(WebKitWebView* view, WebKitLoadEvent event, gchar* uri,
                               GError* error, gpointer self);
  static void onLoadFailureAnswered(GtkDialog* box, gint response, gpointer self);
  static gboolean onContextMenu(WebKitWebView* view, WebKitContextMenu* menu, GdkEvent* event,
                                WebKitHitTestResult* hit, gpointer self);
  static void onLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer self);
  static gboolean onViewDrawn(GtkWidget* widget, cairo_t* cr, gpointer self);
  static void onFilterReady(GObject* store, GAsyncResult* result, gpointer self);
  static gboolean onDeleteEvent(GtkWidget* widget, GdkEvent* event, gpointer self);
  // What an answer of the page finds when it arrives; it holds its own reference to the query.
  struct CloseQuery {
    CloseQuery(GtkBrowserHost* owner, GCancellable* stop)
        : host(owner), query(G_CANCELLABLE(g_object_ref(stop))) {}
    ~CloseQuery() { g_object_unref(query); }
    CloseQuery(const CloseQuery&) = delete;
    CloseQuery& operator=(const CloseQuery&) = delete;
    GtkBrowserHost* host;
    GCancellable* query;
  };
  static void onEditsAnswered(GObject* view, GAsyncResult* result, gpointer data);
  static gboolean onEditsAnswerLate(gpointer self);

  // Ends the question put to the page at close: the window closes unless the user keeps it.
  void finishCloseQuery(PageEdits edits);
  void stopCloseQuery();

  // 1 when `uri` names the Workspace's index.html (a fragment aside).
  int isWorkspacePage(const char* uri) const;
  // 1 when the view shows the Workspace page now: the page's messages are answered only then.
  int showsWorkspacePage() const;

  // The view is made when the Workspace path is known: at warm-up, or just before the page is
  // shown. 0 when WebKit could not be loaded.
  int embedView();
  // Loads WebKit's functions, once; 0 (the reason kept) when they cannot be had.
  int loadEngine();
  // Loads WebKit on a worker thread for the warm-up, which goes on in onEngineLoaded.
  void startEngineLoad();
  static void onEngineLoaded(GObject* source, GAsyncResult* result, gpointer self);
  void showEngineFailure();
  void moveView(GtkContainer* from, GtkContainer* to);
  void installPageBridge(WebKitUserContentManager* manager);
  // Compiles the filter that keeps every load local, once; the page loads when it is in place.
  void prepareLoadFilter();
  void applyTitle();
  void showWriteFailure();

  char windowTitle_[kTextCapacity];
  GdkPixbuf* icon_;
  std::string engineLibrary_;
  // Why the engine could not be loaded; empty until that happened.
  std::string engineFailure_;
  const WebKitFunctions* wk_ = nullptr;
  // Set while WebKit loads on its thread.
  GCancellable* engineLoad_ = nullptr;
  GtkWindow* window_ = nullptr;
  WebKitWebView* view_ = nullptr;
  // Holds the view while the engine starts behind the installer dialog, until the page is asked
  // for.
  GtkWidget* warmUpWindow_ = nullptr;
  WebKitUserContentManager* contentManager_ = nullptr;
  GCancellable* filterSetup_ = nullptr;
  // The page's answer to "unsaved edits?" while the window is being closed.
  GCancellable* closeQuery_ = nullptr;
  guint closeQueryLimit_ = 0;
  int closeQueryOpen_ = 0;
  int loopRunning_ = 0;
  // Set by showAndNavigate: from then on the view may show the Workspace page only.
  int pageRequested_ = 0;
  int filterReady_ = 0;
  int pageLoaded_ = 0;
  int pageFailed_ = 0;
  int editorPainted_ = 0;
};
