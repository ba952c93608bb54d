#pragma once

#include <windows.h>

#include <string>

// Which URL actions the host answers itself: only those of the Workspace page (its index.html),
// and only the ones that page needs: running its scripts and creating and scripting the
// file-system object through which it saves. Every other URL and action keeps the control's own
// zone rules.

// The path a file URL names, with its escapes decoded (UTF-8 where they form UTF-8, else the ANSI
// code page) and its separators made "\"; empty for any other URL and for one with a query.
std::wstring pathOfFileUrl(const wchar_t* url);

// 1 when `url` names the Workspace page: both paths are made full and long, then compared as
// ordinal text regardless of letter case.
int isWorkspacePageUrl(const wchar_t* url, const char* workspacePath);

// 1 when the page needs `action` (URLACTION_*).
int isPageUrlAction(DWORD action);
