#include "browser/gtk/startup_trace.h"

#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace {

// The process start as the kernel recorded it (clock ticks since boot), so that the time spent
// loading GTK and WebKit before main() counts too.
double processStartSeconds() {
  std::ifstream stat("/proc/self/stat");
  std::string line;
  if (!std::getline(stat, line)) return -1.0;
  // The command name may hold spaces; the fields that follow start after its closing parenthesis.
  const std::size_t close = line.rfind(')');
  if (close == std::string::npos) return -1.0;
  const char* p = line.c_str() + close + 2;
  // Field 22 of the line is the start time; after ")" comes field 3.
  for (int field = 3; field < 22 && *p != '\0'; ++field) {
    p = std::strchr(p, ' ');
    if (p == nullptr) return -1.0;
    ++p;
  }
  return std::strtod(p, nullptr) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

}  // namespace

void traceStartupEvent(const char* event) {
  if (std::getenv("KX_TRACE_TIMING") == nullptr) return;
  static const double start = processStartSeconds();
  timespec now{};
  clock_gettime(CLOCK_BOOTTIME, &now);
  const double seconds = static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
  std::fprintf(stderr, "kx-timing %.0f %s\n", (seconds - start) * 1000.0, event);
  std::fflush(stderr);
}
