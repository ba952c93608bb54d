#include "config/code_page.h"

#include "platform/ansi_text.h"

unsigned ansiCodePageOfLanguage(std::uint16_t language) {
  const unsigned primary = language & 0x3FFu;
  const unsigned sub = language >> 10;
  switch (primary) {
    case 0x04:  // Chinese: simplified in the PRC and Singapore, traditional elsewhere
      return (sub == 2 || sub == 4) ? 936 : 950;
    case 0x11:
      return 932;
    case 0x12:
      return 949;
    case 0x1E:
      return 874;
    case 0x08:
      return 1253;
    case 0x0D:
      return 1255;
    case 0x2A:
      return 1258;
    case 0x01:
    case 0x20:
    case 0x29:
      return 1256;
    case 0x25:
    case 0x26:
    case 0x27:
      return 1257;
    case 0x1F:
    case 0x2C:
    case 0x43:
      return 1254;
    case 0x02:
    case 0x19:
    case 0x22:
    case 0x23:
    case 0x2F:
    case 0x3F:
    case 0x40:
    case 0x44:
    case 0x50:
      return 1251;
    case 0x1A:  // Croatian, Serbian and Bosnian: Cyrillic Serbian and Bosnian use 1251
      return (sub == 3 || sub == 7 || sub == 8) ? 1251 : 1250;
    case 0x05:
    case 0x0E:
    case 0x15:
    case 0x18:
    case 0x1B:
    case 0x1C:
    case 0x24:
      return 1250;
    default:
      return 1252;
  }
}

unsigned declaredCodePage(std::uint32_t entryCodePage, std::uint16_t language) {
  // A code page this system cannot convert is no better than none.
  if (entryCodePage != 0 && entryCodePage < 65536 && platform::isCodePageKnown(entryCodePage))
    return entryCodePage;
  return ansiCodePageOfLanguage(language);
}

unsigned defaultConfigurationCodePage() { return platform::configurationCodePage(1252); }
