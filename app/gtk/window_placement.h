#pragma once

#include <gtk/gtk.h>

// Places a width x height window centred on the screen: x = left + (screen width - width) / 2,
// y likewise, both divisions truncating toward zero.
void centreWindow(GtkWindow* window, int width, int height);

// Centres a window that has not been shown yet at the size its contents ask for.
void centreWindowAtNaturalSize(GtkWindow* window);
