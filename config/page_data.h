#pragma once

#include <cstdint>
#include <string>

#include "base/path_name.h"
#include "base/shared_string.h"
#include "config/ini_file.h"

// The configuration handed to the preference editor page: every setting the page knows becomes an
// entry of a script block that takes the place of the page's placeholder "var serverData=[];".
// Keys and values are written as script string literals, escaped so that every text arrives in
// the page exactly as the file held it and none can end the literal or the script element.

// Rewrites workspace/cfadmin/index.html with the settings of workspace/kxenterprise.ini, whose
// text is in `codePage` (0: the system's configuration code page), and names that code page in
// the page's "var configurationCodePage=0;" when it has one. Silent:
// when either file is missing, the page cannot be read or is empty, or cannot be written, the page
// stays as it was. The block is built whole before the page is touched, and the page is written
// in one piece.
// With an `installerName` (the installer's file name, in the system's narrow text) the block also
// declares "var installerName=...;", so that the page can say which installer it edits.
void writePageData(const PathName& workspace, unsigned codePage = 0,
                   const char* installerName = nullptr);

// The block's line that names the installer: a script string of the name, in the system's narrow
// text, escaped as every value of the block is.
SharedString formatInstallerName(const char* installerName);

// The script line that tells the page which QuickTime preferences file the configuration names:
// "var quickTimeFile={"path":…,"state":…,"size":…};", the path escaped as the block's texts are,
// the state "regular" (with its size in bytes), "missing", "other" (not a regular file) or
// "unexamined" (not a full path on this computer), learnt without opening the file. The
// placeholder "var quickTimeFile=null;" when the configuration names none.
std::string quickTimeFileData(const IniFile& config);

// The whole block for a configuration, its texts read in the reader's code page: its first line
// and every entry in reading order.
SharedString buildPageData(const IniFile& config);

// The two or three lines of one entry (the lock line only when lock is not -1), with every '.' of
// the key written as '-'; key and value are text of `codePage` (0: the system's configuration
// code page).
SharedString formatPageEntry(const SharedString& key, const SharedString& value, std::int32_t lock,
                             unsigned codePage = 0);

// The entry for one key of a section, without a lock line; an empty value when the key is missing.
SharedString readNamedEntry(const IniFile& config, const char* section, const char* key);

// The entry for record `index` of a counted list: its name from nameFormat, its value from
// valueFormat and its lock from "Locked%d" (0 when missing); empty when the record has no name.
SharedString readIndexedEntry(const IniFile& config, const char* section, const char* nameFormat,
                              const char* valueFormat, int index);
