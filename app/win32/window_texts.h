#pragma once

#include <windows.h>

#include <string>

// The program's texts as its string table holds them (at most 255 characters), "" when missing.
std::string loadMessage(HINSTANCE module, int id);

// The file-type filter of the choosers: message 100 with each '|' turned into NUL, ending in two
// NULs as the common dialogs expect.
std::string fileFilterFromText(const std::string& text);

// Where a width x height window sits when centred in the desktop rectangle (divisions truncate).
POINT centredPosition(const RECT& desktop, int width, int height);

// Moves and sizes the window to width x height, centred on the desktop, and has it repainted.
void centreWindow(HWND window, int width, int height);
