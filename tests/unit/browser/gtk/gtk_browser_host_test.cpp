// The Linux host in a real WebKit view on a virtual display: whatever a page, its frames or a link
// try, the view shows the Workspace page only, nothing leaves it for the network, and only the top
// frame of that page reaches the host.
#include "browser/gtk/gtk_browser_host.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Starts Xvfb when no display is given, so that the test runs under plain ctest.
class DisplayEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (std::getenv("DISPLAY") == nullptr) startXvfb();
    ASSERT_TRUE(gtk_init_check(nullptr, nullptr)) << "no display";
  }
  void TearDown() override {
    if (xvfb_ > 0) {
      kill(xvfb_, SIGTERM);
      waitpid(xvfb_, nullptr, 0);
    }
  }

 private:
  void startXvfb() {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    xvfb_ = fork();
    if (xvfb_ == 0) {
      close(fds[0]);
      const std::string fd = std::to_string(fds[1]);
      // Only the display number is wanted from it; its complaints are not.
      freopen("/dev/null", "w", stderr);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten",
             "tcp", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    std::string number;
    char c;
    while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    ASSERT_FALSE(number.empty()) << "Xvfb did not start";
    setenv("DISPLAY", (":" + number).c_str(), 1);
  }

  pid_t xvfb_ = 0;
};

// A web server on 127.0.0.1 that counts every connection made to it and answers each with the
// same hostile page as the test's file frame.
class LocalServer {
 public:
  LocalServer() {
    socket_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t size = sizeof address;
    getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &size);
    port_ = ntohs(address.sin_port);
    listen(socket_, 16);
    thread_ = std::thread([this] { serve(); });
  }
  ~LocalServer() {
    stop_ = true;
    thread_.join();
    close(socket_);
  }
  int port() const { return port_; }
  int connections() const { return connections_; }
  void setBody(const std::string& body) { body_ = body; }

 private:
  void serve() {
    while (!stop_) {
      pollfd waiting{socket_, POLLIN, 0};
      if (poll(&waiting, 1, 50) <= 0) continue;
      const int client = accept(socket_, nullptr, nullptr);
      if (client < 0) continue;
      ++connections_;
      char request[4096];
      // A connection that sends nothing (a preconnection) counts as much as a request.
      pollfd sent{client, POLLIN, 0};
      if (poll(&sent, 1, 1000) > 0) (void)!read(client, request, sizeof request);
      const std::string answer = "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
                                 std::to_string(body_.size()) + "\r\n\r\n" + body_;
      (void)!write(client, answer.data(), answer.size());
      close(client);
    }
  }

  int socket_ = -1;
  int port_ = 0;
  std::atomic<int> connections_{0};
  std::atomic<bool> stop_{false};
  std::string body_;
  std::thread thread_;
};

// The program's own table of WebKit's functions, as loaded by the host: the test links no WebKit.
const WebKitFunctions& webkit() {
  const WebKitFunctions* functions = loadedWebKit();
  if (functions == nullptr) std::abort();
  return *functions;
}

std::string readFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void writeFile(const fs::path& p, const std::string& text) {
  std::ofstream(p, std::ios::binary) << text;
}

// What a frame that is not the page tries: the message handlers of its own window, the page's
// write request on the top document, the generate report, and taking the window elsewhere.
std::string hostileScript(int port) {
  return "<script>\n"
         "var h = window.webkit && window.webkit.messageHandlers;\n"
         "if (h && h.writeFile) h.writeFile.postMessage({name: 'kxenterprise.ini', text: "
         "'frame'});\n"
         "if (h && h.navigate) h.navigate.postMessage('javascript:onGenerate()');\n"
         "try { var e = top.document.createEvent('CustomEvent');\n"
         "  e.initCustomEvent('kx-write-file', false, true, {name: 'index.html', text: 'frame'});\n"
         "  top.document.dispatchEvent(e); } catch (x) {}\n"
         "try { top.location.href = 'http://127.0.0.1:" +
         std::to_string(port) + "/away.html'; } catch (x) {}\n</script>\n";
}

class GtkHostTest : public ::testing::Test {
 protected:
  // The view's sandbox takes the Workspace once per process, so every test shares one, emptied
  // before each test and removed after the last.
  static void SetUpTestSuite() {
    if (!sharedWorkspace().empty()) return;
    char name[] = "/tmp/kx-gtk-host-XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    sharedWorkspace() = name;
    std::atexit([] {
      std::error_code ignored;
      fs::remove_all(sharedWorkspace(), ignored);
    });
  }
  static fs::path& sharedWorkspace() {
    static fs::path path;
    return path;
  }
  void SetUp() override {
    workspace_ = sharedWorkspace();
    std::error_code ignored;
    fs::remove_all(page().parent_path(), ignored);
    fs::create_directories(page().parent_path());
  }
  void TearDown() override { host_.reset(); }

  fs::path page() const { return workspace_ / "cfadmin" / "index.html"; }

  void makeHost() {
    host_ = std::make_unique<GtkBrowserHost>("host test", nullptr);
    host_->setGenerateHandler([this] {
      ++generated_;
      if (afterGenerate_) afterGenerate_();
    });
    ASSERT_EQ(host_->createHostWindow(), 1);
    ASSERT_EQ(host_->setWorkspacePath(workspace_.c_str()), 1);
    ASSERT_EQ(host_->setPageUrl(("file://" + page().string()).c_str()), 1);
  }

  // Starts the engine as the program does behind its first dialog, and waits for its empty page.
  void warmUp() {
    makeHost();
    host_->warmUp();
    // WebKit loads on a worker thread first; the view is made once it is in.
    spin([this] { return host_->webView() != nullptr; }, 60000);
    ASSERT_NE(host_->webView(), nullptr);
    const auto blankShown = [this] {
      const char* uri = webkit().webkit_web_view_get_uri(host_->webView());
      return uri != nullptr && std::string(uri) == "about:blank" &&
             !webkit().webkit_web_view_is_loading(host_->webView());
    };
    spin(blankShown, 60000);
    ASSERT_TRUE(blankShown());
    warmedUp_ = true;
  }

  // Shows the page (in the warmed-up host, if there is one) and runs the loop until `done` holds
  // (or a generous limit passes), then a little longer so that anything the page set off
  // afterwards has had its chance.
  template <typename Done>
  void showUntil(Done done) {
    if (!warmedUp_) makeHost();
    warmedUp_ = false;
    host_->showAndNavigate();
    spin(done, 60000);
    EXPECT_TRUE(done()) << "the page never finished";
    spin([] { return false; }, 700);
  }

  template <typename Done>
  static void spin(Done done, int limitMs) {
    const gint64 end = g_get_monotonic_time() + gint64{limitMs} * 1000;
    while (!done() && g_get_monotonic_time() < end) g_main_context_iteration(nullptr, FALSE);
  }

  fs::path workspace_;
  LocalServer server_;
  std::unique_ptr<GtkBrowserHost> host_;
  bool warmedUp_ = false;
  int generated_ = 0;
  std::function<void()> afterGenerate_;
};

TEST_F(GtkHostTest, FramesLinksAndRemoteLoadsReachNeitherTheHostNorTheNetwork) {
  const std::string remote = "http://127.0.0.1:" + std::to_string(server_.port());
  server_.setBody(hostileScript(server_.port()));
  const std::string configuration = "[kx_preferences]\r\nPrefsCount=0\r\n";
  writeFile(page().parent_path() / "kxenterprise.ini", configuration);
  writeFile(page().parent_path() / "frame.html", hostileScript(server_.port()));
  const std::string index =
      "<!DOCTYPE html><html><head><title>page</title></head><body>\n"
      "<a id='remote' href='" +
      remote +
      "/remote.html'>remote</a>\n"
      "<a id='generate' href='javascript:onGenerate()'>generate</a>\n"
      "<img src='" +
      remote +
      "/pixel.gif'>\n"
      "<iframe src='" +
      remote +
      "/frame.html'></iframe>\n"
      "<iframe src='frame.html'></iframe>\n"
      "<script>\n"
      "function onGenerate() {}\n"
      "function write(name, text) {\n"
      "  var e = document.createEvent('CustomEvent');\n"
      "  e.initCustomEvent('kx-write-file', false, true, {name: name, text: text});\n"
      "  return !document.dispatchEvent(e);\n"
      "}\n"
      "window.onload = function () {\n"
      // The page's own scripts see no handlers, nor does a frame the page makes itself.
      "  var h = window.webkit && window.webkit.messageHandlers;\n"
      "  if (h && h.writeFile) h.writeFile.postMessage({name: 'index.html', text: 'main'});\n"
      "  var blank = document.createElement('iframe');\n"
      "  document.body.appendChild(blank);\n"
      "  blank.contentWindow.eval(\"var h = window.webkit && window.webkit.messageHandlers;\" +\n"
      "    \"if (h && h.writeFile) h.writeFile.postMessage({name: 'index.html', text: "
      "'blank'});\");\n"
      "  document.getElementById('remote').click();\n"
      "  try { var x = new XMLHttpRequest(); x.open('GET', '" +
      remote +
      "/xhr'); x.send(); }\n"
      "  catch (e) {}\n"
      "  document.getElementById('generate').click();\n"
      "  write('done.txt', 'done');\n"
      "};\n"
      "</script></body></html>\n";
  writeFile(page(), index);

  const fs::path done = page().parent_path() / "done.txt";
  // As in the program, the engine has started behind the dialog; what its empty page tries before
  // the page is asked for reaches nothing either.
  warmUp();
  webkit().webkit_web_view_evaluate_javascript(
      host_->webView(),
      ("var e = document.createEvent('CustomEvent');\n"
       "e.initCustomEvent('kx-write-file', false, true, {name: 'kxenterprise.ini', text: "
       "'blank'});\n"
       "document.dispatchEvent(e);\n"
       "var a = document.createElement('a'); a.href = 'javascript:onGenerate()';\n"
       "document.body.appendChild(a); a.click();\n"
       "location.href = '" +
       remote + "/away.html';")
          .c_str(),
      -1, nullptr, nullptr, nullptr, nullptr, nullptr);
  spin([] { return false; }, 1000);
  EXPECT_EQ(readFile(page().parent_path() / "kxenterprise.ini"), configuration);
  EXPECT_EQ(generated_, 0);
  EXPECT_EQ(std::string(webkit().webkit_web_view_get_uri(host_->webView())), "about:blank");
  EXPECT_FALSE(gtk_widget_get_visible(GTK_WIDGET(host_->window())));
  showUntil([&] { return fs::exists(done); });

  EXPECT_EQ(readFile(done), "done\r\n");
  // The page is shown in the host's own window, not where the engine warmed up.
  EXPECT_EQ(gtk_widget_get_toplevel(GTK_WIDGET(host_->webView())), GTK_WIDGET(host_->window()));
  EXPECT_EQ(server_.connections(), 0);
  EXPECT_EQ(readFile(page()), index);
  EXPECT_EQ(readFile(page().parent_path() / "kxenterprise.ini"), configuration);
  EXPECT_EQ(generated_, 1);
  ASSERT_NE(host_->webView(), nullptr);
  EXPECT_EQ(std::string(webkit().webkit_web_view_get_uri(host_->webView())),
            "file://" + page().string());
  EXPECT_EQ(std::distance(fs::directory_iterator(page().parent_path()), fs::directory_iterator()),
            4);
}

// A run ended at the installer dialog, after the engine started behind it, leaves no window.
TEST_F(GtkHostTest, AHostClosedWhileWarmingUpTakesEveryWindowWithIt) {
  GList* before = gtk_window_list_toplevels();
  const guint windowsBefore = g_list_length(before);
  g_list_free(before);
  // Closed even before WebKit has loaded for it: the load's end must not reach the host.
  makeHost();
  host_->warmUp();
  host_.reset();
  spin([] { return loadedWebKit() != nullptr; }, 60000);
  spin([] { return false; }, 200);
  warmUp();
  host_.reset();
  GList* after = gtk_window_list_toplevels();
  EXPECT_EQ(g_list_length(after), windowsBefore);
  g_list_free(after);
}

// Closing the window asks the page whether it holds unsaved edits; only a page that says so makes
// the host ask the user, whose No keeps the window. Every other page closes as it always has.
class HostCloseTest : public GtkHostTest {
 protected:
  // Shows a page with `script` and waits until it has loaded and said so.
  void showPage(const std::string& script) {
    writeFile(
        page(),
        "<!DOCTYPE html><html><body><script>\n" + script +
            "\nwindow.onload = function () {\n"
            "  var e = document.createEvent('CustomEvent');\n"
            "  e.initCustomEvent('kx-write-file', false, true, {name: 'ready.txt', text: ''});\n"
            "  document.dispatchEvent(e);\n"
            "};\n</script></body></html>\n");
    showUntil([this] { return fs::exists(page().parent_path() / "ready.txt"); });
    host_->setCloseQuestion([this] {
      ++asked_;
      return answers_.empty() ? 0 : answers_[static_cast<std::size_t>(asked_ - 1)];
    });
  }
  // Asks the window to close as its close button does; 1 when it then closed.
  int closeWindow() {
    if (host_->window() == nullptr) return 1;
    const int askedBefore = asked_;
    gtk_window_close(host_->window());
    // Done once the window is gone or the user was asked (the window then stays).
    spin([&] { return host_->window() == nullptr || asked_ > askedBefore; }, 20000);
    spin([] { return false; }, 200);
    return host_->window() == nullptr ? 1 : 0;
  }

  int asked_ = 0;
  std::vector<int> answers_;
};

TEST_F(HostCloseTest, UnsavedEditsAskFirstAndNoKeepsTheWindow) {
  showPage("function kxHasUnsavedEdits() { return true; }");
  answers_ = {0, 1};
  EXPECT_EQ(closeWindow(), 0);
  EXPECT_EQ(asked_, 1);
  EXPECT_EQ(closeWindow(), 1);
  EXPECT_EQ(asked_, 2);
}

TEST_F(HostCloseTest, ThePageHearsHowTheGenerationItStartedEnded) {
  afterGenerate_ = [this] { host_->generationEnded(0); };
  showPage(
      "function onGenerate() {}\n"
      "function kxGenerationEnded(written) {\n"
      "  var e = document.createEvent('CustomEvent');\n"
      "  e.initCustomEvent('kx-write-file', false, true, {name: 'ended.txt', text: "
      "String(written)});\n"
      "  document.dispatchEvent(e);\n"
      "}\n"
      "window.addEventListener('load', function () {\n"
      "  var link = document.createElement('a');\n"
      "  link.href = 'javascript:onGenerate()';\n"
      "  document.body.appendChild(link);\n"
      "  link.click();\n"
      "}, false);");
  const fs::path ended = page().parent_path() / "ended.txt";
  spin([&] { return fs::exists(ended); }, 20000);
  EXPECT_EQ(generated_, 1);
  EXPECT_EQ(readFile(ended), "false\r\n");
}

TEST_F(HostCloseTest, PagesWithoutUnsavedEditsOrWithoutAnAnswerCloseWithoutAsking) {
  for (const char* script : {"function kxHasUnsavedEdits() { return false; }",
                             "function kxHasUnsavedEdits() { throw new Error('broken'); }",
                             "function kxHasUnsavedEdits() { return 'yes'; }", ""}) {
    fs::remove(page().parent_path() / "ready.txt");
    showPage(script);
    EXPECT_EQ(closeWindow(), 1) << script;
    EXPECT_EQ(asked_, 0) << script;
  }
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new DisplayEnvironment);
  return RUN_ALL_TESTS();
}
