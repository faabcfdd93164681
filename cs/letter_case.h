// Letter case: COBOL words and names are the same in either case, and only
// the ASCII letters have two.
#pragma once

#include <string_view>

// A table, since the tokenizer folds every letter of every word it classifies.
struct UpperCaseTable {
  char of[256];
};
inline constexpr UpperCaseTable UPPER_CASE_TABLE = [] {
  UpperCaseTable table{};
  for (int c = 0; c < 256; c++) table.of[c] = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  return table;
}();

constexpr char UpperCase(char c) { return UPPER_CASE_TABLE.of[static_cast<unsigned char>(c)]; }

inline bool SameWordAnyCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); i++)
    if (UpperCase(a[i]) != UpperCase(b[i])) return false;
  return true;
}
