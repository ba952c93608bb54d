#pragma once

#include <span>

#include "workspace/embedded_resources.h"

// The program's own pictures, icon and editor archive, compiled into builds that have no
// resource section (library kx_program_embedded_resources). Wrap it in EmbeddedResources.
std::span<const EmbeddedResource> programResourceTable();
