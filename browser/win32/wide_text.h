#pragma once

#include <string>

// Texts cross into and out of the control as UTF-16; inside the program they are narrow text in
// the ANSI code page. Running out of memory raises std::bad_alloc.
std::string narrowFromWide(const wchar_t* text);
std::wstring wideFromNarrow(const char* text);
