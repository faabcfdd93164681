// Code pages of character data: each byte's UTF-8 text, built once at start
// from the C library's converter, and the bytes that make up display numbers.
#pragma once

#include <cstdint>
#include <string_view>

// A byte's entry in CodePage::chars: its UTF-8 bytes, first in the lowest
// byte, their count, and what the outputs must know about it.
enum CharBits : uint32_t {
  CHAR_LENGTH_SHIFT = 24,        // 1 to 3 bytes
  CHAR_CSV = 1u << 26,           // comma, quote, CR or LF: the cell is quoted
  CHAR_JSON = 1u << 27,          // quote, backslash or a control: escaped
  CHAR_BAD = 1u << 28,           // no character: the field is not valid
  CHAR_SPECIAL = CHAR_CSV | CHAR_JSON | CHAR_BAD,
};

// What a byte of a display number is; digit value in the low four bits.
enum ZoneClass : uint8_t {
  ZONE_DIGIT = 0x00,      // a plain digit: unsigned or positive
  ZONE_PLUS = 0x10,       // a digit carrying a plus sign
  ZONE_MINUS = 0x20,      // a digit carrying a minus sign
  ZONE_BAD = 0xF0,        // no digit
};

struct CodePage {
  uint32_t chars[256];
  uint8_t zones[256];     // ZoneClass | digit
  // The one ASCII byte a byte gives, when it needs no quoting (CSV) or
  // escaping (JSON); 0 when it does or gives more than one byte.
  uint8_t plain[2][256];
  uint8_t space, plus, minus;
  bool ebcdic;            // IBM hexadecimal floats by default
  bool utf8;              // text is copied, checked as UTF-8
};

extern CodePage DataCodePage;

// Whether NAME is a code page this program reads (cp037, ascii, ...).
bool KnownCodePage(std::string_view name);
// Builds DataCodePage; 0 after a message when the converter lacks it.
int LoadCodePage(std::string_view name);
