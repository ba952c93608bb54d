#pragma once

// Character stepping and searching that never split a double-byte character when the system's
// ANSI code page has them. Positions are byte pointers into NUL-terminated texts.

// The process-wide double-byte flag: asked of the system once, then cached.
int isDbcsEnabled();

// The next character; always at least one byte further on. Null gives null.
const char* nextChar(const char* p);

// The character before `current` in the text that starts at `start`. Null current gives null.
const char* prevChar(const char* start, const char* current);

// The last single-byte character equal to ch, or null.
const char* findLastCharIn(const char* text, char ch);

// The first occurrence of sought that starts and ends on character boundaries, or null.
const char* findTextIn(const char* text, const char* sought);

namespace dbcs_testing {

// Runs the module with a double-byte code page's lead-byte rule instead of the system's, so that
// the double-byte searches can be exercised on every build. Pass null to go back to the system.
using LeadByteRule = bool (*)(unsigned char);
void useLeadByteRule(LeadByteRule isLeadByte);

// Lead bytes of code page 932: 0x81-0x9F and 0xE0-0xFC.
bool isCodePage932LeadByte(unsigned char byte);

}  // namespace dbcs_testing
