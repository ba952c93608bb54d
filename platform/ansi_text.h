#pragma once

#include <string>
#include <string_view>

namespace platform {

// Conversion between the system's narrow text (the ANSI code page on Windows, UTF-8 on POSIX) and
// UTF-16, for texts that cross into resources. Each returns 1 on success; 0 for text that is not
// valid in the narrow encoding (the output is then left empty).
int ansiToUtf16(const char* text, std::u16string& wide);
int utf16ToAnsi(const std::u16string& wide, std::string& text);

// 1 when the narrow text is UTF-8 (always on POSIX; on Windows when the ANSI code page is 65001).
int narrowTextIsUtf8();

// Text in a given Windows code page (1252, 932, 65001 for UTF-8, ...), converted by the system's
// own converter (MultiByteToWideChar on Windows, iconv on POSIX).

// 1 when this system can convert text of the code page.
int isCodePageKnown(unsigned codePage);

// Decodes every byte: a byte the code page does not define stands for itself (U+0080 to U+00FF)
// in a single-byte code page, as Windows reads the gaps of 1252; a sequence a multi-byte code page
// cannot read becomes U+FFFD. 0 only for a code page the system does not know.
int codePageToUtf16(unsigned codePage, std::string_view bytes, std::u16string& wide);

// Encodes the text; 0 when a character has no form in the code page (or the code page is
// unknown), with `failedAt` the index of that character. With a nonzero `substitute` such a
// character is written as that byte instead, as the system writes text it cannot hold.
int utf16ToCodePage(unsigned codePage, std::u16string_view wide, std::string& bytes,
                    char substitute = 0, std::size_t* failedAt = nullptr);

// The code page the configuration text is in. On Windows the system's ANSI code page, in which the
// installed player reads it; elsewhere `declared` (the one the installer's resource names), unless
// the environment variable KESTRIX_CODEPAGE names another.
unsigned configurationCodePage(unsigned declared);

// The code page of the text the editor page writes: UTF-8 from the GTK host, the ANSI code page
// from the Windows file system object.
unsigned editorTextCodePage();

}  // namespace platform
