#include "app/gtk/window_placement.h"

namespace {

GdkRectangle screenRectangle() {
  GdkRectangle screen{0, 0, 1024, 768};
  GdkDisplay* display = gdk_display_get_default();
  if (display == nullptr) return screen;
  GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
  if (monitor == nullptr) monitor = gdk_display_get_monitor(display, 0);
  if (monitor != nullptr) gdk_monitor_get_geometry(monitor, &screen);
  return screen;
}

}  // namespace

void centreWindow(GtkWindow* window, int width, int height) {
  const GdkRectangle screen = screenRectangle();
  gtk_window_set_default_size(window, width, height);
  gtk_window_move(window, screen.x + (screen.width - width) / 2,
                  screen.y + (screen.height - height) / 2);
}

void centreWindowAtNaturalSize(GtkWindow* window) {
  GtkRequisition natural{};
  gtk_widget_get_preferred_size(GTK_WIDGET(window), nullptr, &natural);
  centreWindow(window, natural.width, natural.height);
}
