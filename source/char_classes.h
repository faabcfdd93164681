// Character classes of copybook text, from one table: the tokenizer, the
// reference format, PICTURE strings and COPY statements cut text by them.
#pragma once

#include <cstdint>
#include <string_view>

enum CharClass : uint8_t {
  CC_WHITESPACE = 0x01,   // skipped between tokens: space, tab, CR, LF
  CC_DELIMITER = 0x02,    // a token of its own that ends a word: " ()[]{};#=,."
  CC_QUOTE = 0x04,        // opens a literal
  CC_DIGIT = 0x08,
  CC_SEPARATOR = 0x10,    // between the text words of a COPY statement: " ,;"
  CC_PUNCTUATION = 0x20,  // ends a PICTURE string when a space follows: ".,;"
};

struct CharClassTable {
  uint8_t of[256];
};

inline constexpr CharClassTable CHAR_CLASSES = [] {
  CharClassTable table{};
  auto mark = [&table](std::string_view chars, CharClass kind) {
    for (char c : chars) table.of[static_cast<uint8_t>(c)] |= kind;
  };
  mark(" \t\r\n", CC_WHITESPACE);
  mark(" ()[]{};#=,.", CC_DELIMITER);
  mark("'\"", CC_QUOTE);
  mark("0123456789", CC_DIGIT);
  mark(" ,;", CC_SEPARATOR);
  mark(".,;", CC_PUNCTUATION);
  return table;
}();

constexpr bool IsClass(char c, CharClass kind) {
  return CHAR_CLASSES.of[static_cast<uint8_t>(c)] & kind;
}
