#pragma once

// 1 when `url` is a file URL naming the Workspace folder or something below it: the only pages
// whose URL actions the host allows. Letter case (compared ordinally), short names, the number of
// slashes after "file:", either separator and %-escapes (of bytes in the ANSI code page) do not
// matter; a ".." step, a query or fragment that hides one, or an escaped NUL never passes.
int isInsideWorkspaceUrl(const char* url, const char* workspacePath);
