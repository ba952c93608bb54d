#include "browser/gtk/webkit_library.h"

#include <dlfcn.h>

#include <cstring>
#include <mutex>

namespace {

std::mutex loadLock;
WebKitFunctions loadedTable;
std::string loadedName;
bool loaded = false;
// The last library that could not be loaded, and why: asking again gives the same answer at once.
std::string failedName;
std::string failedReason;

template <typename F>
bool resolve(void* library, const char* name, F& target, std::string* reason) {
  // dlsym through the library's handle also finds the JavaScriptCore functions, which live in a
  // library WebKit depends on.
  void* address = dlsym(library, name);
  if (address == nullptr) {
    if (reason != nullptr) *reason = std::string("the function ") + name + " is missing";
    return false;
  }
  target = reinterpret_cast<F>(address);
  return true;
}

}  // namespace

const WebKitFunctions* loadWebKit(const char* library, std::string* reason) {
  const std::lock_guard<std::mutex> hold(loadLock);
  if (loaded && library != nullptr && loadedName == library) return &loadedTable;
  if (library != nullptr && !failedName.empty() && failedName == library) {
    if (reason != nullptr) *reason = failedReason;
    return nullptr;
  }
  if (library == nullptr || *library == '\0') {
    if (reason != nullptr) *reason = "no library named";
    return nullptr;
  }
  // Bound at once, so that a library that lacks a function its own code needs fails here, where
  // the user is told, rather than when the page is shown.
  void* handle = dlopen(library, RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* error = dlerror();
    failedName = library;
    failedReason = error != nullptr ? error : "it cannot be opened";
    if (reason != nullptr) *reason = failedReason;
    return nullptr;
  }
  WebKitFunctions table;
  std::string why;
  bool complete = true;
#define KX_WEBKIT_RESOLVE(name) complete = complete && resolve(handle, #name, table.name, &why);
  KX_WEBKIT_FUNCTIONS(KX_WEBKIT_RESOLVE)
#undef KX_WEBKIT_RESOLVE
  if (complete && loaded) {
    // One process holds one WebKit; a second library of the same functions would fight the first.
    complete = false;
    why = "another WebKit library is loaded already: " + loadedName;
  }
  if (!complete) {
    dlclose(handle);
    failedName = library;
    failedReason = why;
    if (reason != nullptr) *reason = why;
    return nullptr;
  }
  // The handle stays open for the life of the process: WebKit keeps threads and GTypes that cannot
  // be unloaded.
  loadedTable = table;
  loadedName = library;
  loaded = true;
  return &loadedTable;
}

const WebKitFunctions* loadedWebKit() {
  const std::lock_guard<std::mutex> hold(loadLock);
  return loaded ? &loadedTable : nullptr;
}
