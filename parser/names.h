// Names as the copybook writes them. The line store keeps them as written;
// the format file, the messages and every comparison take a hyphen as an
// underscore, so names that differ only so are one name.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "cs/letter_case.h"

constexpr char NameChar(char c) { return c == '-' ? '_' : c; }

// Eight characters at once: every hyphen among them made an underscore.
// A byte of hyphens ^ word is zero exactly where the word holds a hyphen.
inline uint64_t UnderscoreWord(uint64_t word) {
  constexpr uint64_t HYPHENS = 0x2D2D2D2D2D2D2D2Dull, LOW7 = 0x7F7F7F7F7F7F7F7Full;
  uint64_t t = word ^ HYPHENS;
  uint64_t zero = ~(((t & LOW7) + LOW7) | t | LOW7);  // 0x80 in each zero byte
  return word ^ (zero >> 7) * ('-' ^ '_');
}

// The characters of a name shorter than eight in one word: its first and
// last four, overlapping, or its bytes one by one when fewer than four.
inline uint64_t ShortNameWord(const char* name, size_t length) {
  uint64_t word = 0;
  if (length >= 4) {
    uint32_t first, last;
    std::memcpy(&first, name, 4), std::memcpy(&last, name + length - 4, 4);
    return first | uint64_t{last} << 32;
  }
  for (size_t k = 0; k < length; k++) word |= uint64_t{static_cast<uint8_t>(name[k])} << 8 * k;
  return word;
}

inline bool SameName(std::string_view a, std::string_view b) {
  size_t n = a.size();
  if (n != b.size()) return false;
  if (n < 8) return UnderscoreWord(ShortNameWord(a.data(), n)) == UnderscoreWord(ShortNameWord(b.data(), n));
  uint64_t wa, wb;
  for (size_t i = 0; i + 8 < n; i += 8) {
    std::memcpy(&wa, a.data() + i, 8), std::memcpy(&wb, b.data() + i, 8);
    if (UnderscoreWord(wa) != UnderscoreWord(wb)) return false;
  }
  // The last eight characters, which the words above may have left out.
  std::memcpy(&wa, a.data() + n - 8, 8), std::memcpy(&wb, b.data() + n - 8, 8);
  return UnderscoreWord(wa) == UnderscoreWord(wb);
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

// Copies a name with every hyphen an underscore; to may be the name itself.
inline void CopyUnderscored(char* to, const char* name, size_t length) {
  if (length < 8) {
    if (length < 4) {
      for (size_t i = 0; i < length; i++) to[i] = NameChar(name[i]);
      return;
    }
    uint64_t word = UnderscoreWord(ShortNameWord(name, length));
    uint32_t first = static_cast<uint32_t>(word), last = static_cast<uint32_t>(word >> 32);
    std::memcpy(to, &first, 4), std::memcpy(to + length - 4, &last, 4);
    return;
  }
  uint64_t word, last;
  std::memcpy(&last, name + length - 8, 8);  // the last eight, which the words may leave out
  for (size_t i = 0; i + 8 < length; i += 8) {
    std::memcpy(&word, name + i, 8);
    word = UnderscoreWord(word);
    std::memcpy(to + i, &word, 8);
  }
  last = UnderscoreWord(last);
  std::memcpy(to + length - 8, &last, 8);
}

// Replaces hyphens by underscores in place: a copy of a name made to be written.
inline void UnderscoreHyphens(char* text, size_t length) { CopyUnderscored(text, text, length); }
