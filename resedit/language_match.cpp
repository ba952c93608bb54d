#include "resedit/language_match.h"

int matchLanguage(std::uint16_t offeredLanguage, LanguageMatch& match) {
  if (offeredLanguage != match.language && match.language != AnyLanguage) return 1;
  match.language = offeredLanguage;
  match.found = 1;
  return 0;
}
