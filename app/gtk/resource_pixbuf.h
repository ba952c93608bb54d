#pragma once

#include <gdk-pixbuf/gdk-pixbuf.h>

#include "workspace/resource_source.h"

// A picture resource of the program (a bitmap, with or without its file header, or any image
// format GdkPixbuf reads) as a new GdkPixbuf; null when the resource is missing or unreadable.
// Numeric names are tried as given and with the '#' that resource scripts put before ids.
GdkPixbuf* loadResourcePixbuf(ResourceSource& resources, const char* type, const char* name);
