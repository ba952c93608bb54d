#pragma once

#include "base/path_name.h"

// The installer resources the workflow reads and writes.

// What became of one resource update.
enum class UpdateOutcome {
  kApplied,  // the resource was rewritten
  kMissing,  // the installer has no such resource: passed over
  kFailed,   // the resource exists but could not be rewritten, or its source could not be read
};

// 1 when `installer` is an executable image carrying a non-empty "KXECONFIG" resource of type
// "Binary" and its bytes were written completely to `target`. The file is never executed.
int extractInstallerConfiguration(const PathName& installer, const PathName& target);

// Replaces the "BINARY" resource `name` of `installer`, in the language it already has, with the
// bytes of `source`. A source that cannot be read counts as missing: nothing is written.
UpdateOutcome replaceResourceFromFile(const char* name, const PathName& installer,
                                      const PathName& source);

// Replaces string `id` of the installer's string table in the language its block already has;
// an installer without that block is left alone.
UpdateOutcome replaceInstallerString(const PathName& installer, int id, const char* text);
