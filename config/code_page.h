#pragma once

#include <cstdint>

// The code page a configuration resource is written in: the CodePage of its data entry when that
// is set, otherwise the ANSI code page Windows uses for the resource's language (1033 -> 1252,
// 1041 -> 932, 1049 -> 1251, 2052 -> 936, ...), and 1252 for a language without one.
unsigned declaredCodePage(std::uint32_t entryCodePage, std::uint16_t language);

// The ANSI code page of a language id.
unsigned ansiCodePageOfLanguage(std::uint16_t language);

// The code page configuration text is converted with when nothing is known about its installer.
unsigned defaultConfigurationCodePage();
