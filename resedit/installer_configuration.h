#pragma once

#include <cstdint>
#include <string>

#include "base/path_name.h"

// The installer check behind the selection dialog's Next: 1 only when `installer` is a PE
// executable image that carries a non-empty "KXECONFIG" resource of type "Binary" and all of its
// bytes were written to `iniTarget` (replacing any earlier file). The installer is read, never
// loaded or run. When the installer is sound but the file could not be written, `failure` (when
// given) names the file and the system's reason; it is left empty for an installer that fails.
int importInstallerConfiguration(const PathName& installer, const PathName& iniTarget,
                                 std::string* failure = nullptr);

// The CodePage field of the data entry of the installer's "KXECONFIG" resource (of type "Binary",
// its first language) and that language; 0 when the installer has no such resource.
int readConfigurationEntry(const PathName& installer, std::uint32_t& codePage,
                           std::uint16_t& language);
