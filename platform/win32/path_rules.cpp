#include "platform/path_rules.h"

namespace platform {

char pathSeparator() { return '\\'; }

}  // namespace platform
