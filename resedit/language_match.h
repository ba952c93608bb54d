#pragma once

#include <cstdint>

// The wildcard language: "whatever language the file already holds the resource in". A value of
// this program, not the platform's neutral language 0, which means exactly language 0.
constexpr std::uint16_t AnyLanguage = 0x8200;

// The record handed to the language enumeration.
struct LanguageMatch {
  std::uint16_t language = AnyLanguage;  // requested on entry, the one found on a match
  std::int32_t found = 0;
};

// Called once per language of a resource, in directory order. Accepts the offered language when it
// is the requested one or the request is AnyLanguage; returns 0 to stop the enumeration then, 1 to
// go on.
int matchLanguage(std::uint16_t offeredLanguage, LanguageMatch& match);
