#pragma once

#include "resedit/pe/resource_id.h"

// The resource id a narrow type or name text stands for: "#123" is the integer id 123, any other
// text a name (converted from the system's narrow encoding). 0 for text that cannot be converted.
int resourceIdFromText(const char* text, pe::ResourceId& id);
