// Letter case: COBOL words and names are the same in either case, and only
// the ASCII letters have two.
#pragma once

#include <string_view>

constexpr char UpperCase(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

inline bool SameWordAnyCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); i++)
    if (UpperCase(a[i]) != UpperCase(b[i])) return false;
  return true;
}
