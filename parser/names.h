// Names as the copybook writes them. The line store keeps them as written;
// the format file, the messages and every comparison take a hyphen as an
// underscore, so names that differ only so are one name.
#pragma once

#include <string>
#include <string_view>

#include "cs/letter_case.h"

constexpr char NameChar(char c) { return c == '-' ? '_' : c; }

inline bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); i++)
    if (NameChar(a[i]) != NameChar(b[i])) return false;
  return true;
}

inline bool SameNameAnyCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); i++)
    if (UpperCase(NameChar(a[i])) != UpperCase(NameChar(b[i]))) return false;
  return true;
}

// Whether name begins with prefix, a name's beginning written with underscores.
inline bool NameStartsWith(std::string_view name, std::string_view prefix) {
  return name.size() >= prefix.size() && SameName(name.substr(0, prefix.size()), prefix);
}

// The name as the format file and the messages give it.
inline std::string FormatNameOf(std::string_view name) {
  std::string text(name);
  for (char& c : text) c = NameChar(c);
  return text;
}

// Replaces hyphens by underscores in place: a copy of a name made to be written.
inline void UnderscoreHyphens(char* text, size_t length) {
  for (size_t i = 0; i < length; i++) text[i] = NameChar(text[i]);
}
