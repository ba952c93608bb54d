#include "browser/browser_host.h"

#include <cstring>

#include "base/path_name.h"
#include "platform/file_io.h"

namespace {

constexpr char kGenerateLink[] = "javascript:onGenerate()";

int copyBounded(char (&target)[BrowserHost::kTextCapacity], const char* text) {
  const char* source = text != nullptr ? text : "";
  const std::size_t n = std::strlen(source);
  if (n >= BrowserHost::kTextCapacity) return 0;
  std::memcpy(target, source, n + 1);
  return 1;
}

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool isPlainFileName(const char* name) {
  if (name == nullptr || *name == '\0') return false;
  if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) return false;
  for (const char* p = name; *p != '\0'; ++p) {
    if (*p == '/' || *p == '\\' || *p == ':') return false;
  }
  return true;
}

}  // namespace

BrowserHost::BrowserHost() : pageUrl_{}, workspacePath_{} {}

int BrowserHost::setPageUrl(const char* url) { return copyBounded(pageUrl_, url); }

int BrowserHost::setWorkspacePath(const char* path) { return copyBounded(workspacePath_, path); }

int isGenerateLink(const char* url) {
  if (url == nullptr) return 0;
  const std::size_t n = sizeof(kGenerateLink) - 1;
  for (std::size_t i = 0; i < n; ++i) {
    if (url[i] == '\0' || lowerAscii(url[i]) != lowerAscii(kGenerateLink[i])) return 0;
  }
  return 1;
}

void BrowserHost::onBeforeNavigate(const char* url) {
  if (!isGenerateLink(url)) return;
  const int skip = lastWriteFailed_;
  lastWriteFailed_ = 0;
  if (!skip && generate_) generate_();
}

int BrowserHost::onWriteFile(const char* name, const char* text) {
  lastWriteFailed_ = 1;
  if (!isPlainFileName(name) || workspacePath_[0] == '\0') {
    lastWriteFailure_ = std::string("Refused to write \"") + (name != nullptr ? name : "") +
                        "\": not a file beside the page";
    return 0;
  }
  const PathName target = PathName(workspacePath_).join("cfadmin").join(name);
  std::string bytes(text != nullptr ? text : "");
  bytes += "\r\n";
  lastWriteFailure_.clear();
  if (!platform::writeWholeFile(target.text(), bytes.data(), bytes.size(), &lastWriteFailure_)) {
    if (lastWriteFailure_.empty()) lastWriteFailure_ = std::string("Cannot write ") + target.text();
    return 0;
  }
  lastWriteFailed_ = 0;
  return 1;
}

std::string BrowserHost::pageLoadFailureMessage(const char* reason) const {
  const PathName page = PathName(workspacePath_).join("cfadmin").join("index.html");
  std::string message = "The preference editor page could not be shown:\n";
  message += page.text();
  if (reason != nullptr && *reason != '\0') {
    message += "\n\n";
    message += reason;
  }
  return message;
}

std::string BrowserHost::windowTitleFor(const char* programTitle) const {
  const std::string program = programTitle != nullptr ? programTitle : "";
  if (installerName_.empty()) return program;
  return installerName_ + " - " + program;
}

int BrowserHost::mayClose(PageEdits edits) const {
  if (edits != PageEdits::kUnsaved || !closeQuestion_) return 1;
  return closeQuestion_() ? 1 : 0;
}

const char* BrowserHost::unsavedEditsScript() {
  return "typeof kxHasUnsavedEdits == 'function' && kxHasUnsavedEdits() === true";
}

const char* BrowserHost::generationEndedScript(int written) {
  return written ? "typeof kxGenerationEnded == 'function' && kxGenerationEnded(true)"
                 : "typeof kxGenerationEnded == 'function' && kxGenerationEnded(false)";
}

BrowserHost::Geometry BrowserHost::geometryForScreen(int screenWidth, int screenHeight) {
  const int width = (2 * screenWidth) / 3;
  const int height = (2 * screenHeight) / 3;
  return Geometry{.x = width / 4, .y = height / 4, .width = width, .height = height};
}
