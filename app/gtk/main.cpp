// The Linux program's entry: GTK windows around the portable workflow, with the program's own
// resources compiled into the binary.
#include <gtk/gtk.h>

#include <cstdio>
#include <span>

#include "app/application.h"
#include "app/cli/command_line.h"
#include "app/gtk/gtk_shell.h"
#include "browser/gtk/startup_trace.h"
#include "workspace/embedded_resources.h"

std::span<const EmbeddedResource> programResourceTable();

int main(int argc, char** argv) {
  // With arguments the program is the command line: no display is needed, and GTK is never
  // started.
  if (argc > 1) return runCommandLineProgram(argc, argv);
  traceStartupEvent("main entered");
  const gboolean displayOpened = gtk_init_check(&argc, &argv);
  // Opening the display includes GDK's probe of GL on a display where no GTK program has made
  // that choice yet: the largest step before the splash.
  traceStartupEvent("display opened");
  if (!displayOpened) {
    std::fprintf(stderr,
                 "kestrix-config needs a graphical display and found none (DISPLAY is not set or "
                 "not reachable).\nStart it from a desktop session, or on a virtual display: "
                 "xvfb-run -a %s\n",
                 argc > 0 ? argv[0] : "kestrix-config");
    return 1;
  }
  EmbeddedResources resources(programResourceTable());
  GtkShell shell(resources);
  return runApplication(shell, resources, platform::programModule());
}
