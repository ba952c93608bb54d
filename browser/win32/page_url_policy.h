#pragma once

#include <windows.h>

#include <string>

// Which URL actions the host answers itself: only those of the Workspace page (its index.html),
// and only the ones that page needs: running its scripts and creating and scripting the
// file-system object through which it saves. Every other URL and action keeps the control's own
// zone rules.

// The path a file URL names, with its escapes decoded as bytes of `codePage` and its separators
// made "\"; empty for any other URL, for one with a query and for escapes that are no text there.
std::wstring pathOfFileUrl(const wchar_t* url, UINT codePage);

// 1 when `url` names the Workspace page, its escapes read in the ANSI code page or as UTF-8: both
// paths are made full and long, then compared as ordinal text regardless of letter case.
int isWorkspacePageUrl(const wchar_t* url, const char* workspacePath);

// 1 when the page needs `action` (URLACTION_*).
int isPageUrlAction(DWORD action);
