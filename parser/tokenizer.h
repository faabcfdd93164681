// The tokenizer: cuts the code area of the line store into words, quoted
// literals and delimiters, and reports where a character of the source is.
#pragma once

#include <cstdint>
#include <string_view>

#include "source/source_file.h"

struct TokenCursor {
  const char* token;   // first character of the current token; null before any
  int32_t length;      // characters of the current token
  bool quoted;         // the token begins with a quote
  SourceLine line;     // line holding the current token; no file: none
  const char* limit;   // end of line's scannable text: line end, NUL or code area
  bool lineHandedOut;  // line was given by a search, not just the first line
};

// A cursor at the start of file, before its first token.
TokenCursor StartCursor(SourceFile* file);

inline std::string_view TokenText(const TokenCursor* cursor) {
  return {cursor->token, static_cast<size_t>(cursor->length)};
}

// Makes the next token current; 0 at the end of the input, reported when a
// token was required.
int GetToken(TokenCursor* cursor, bool required);

// Prints "At offset ... on line ... of file ..." for a character of the
// source, or "Unknown location:".
void ReportPosition(const char* p);
// The position of p and the message; returns 0, the result of the step that
// fails with it.
int ReportAt(const char* p, const char* format, ...) __attribute__((format(printf, 2, 3)));

// The words that start a clause, a phrase of OCCURS, or name a usage,
// letter case ignored.
enum Keyword : uint8_t {
  KW_NONE = 0,               // none of these
  KW_OCCURS = 1,
  KW_PIC = 2,
  KW_REDEFINES = 3,
  KW_VALUE = 4,              // VALUE, VALUES
  KW_SYNC = 5,               // SYNC, SYNCHRONIZED; by default any word beginning with SYNC
  KW_SIGN = 6,
  KW_USAGE = 7,              // by default any word beginning with USAGE
  KW_DISPLAY = 8,            // usage words, by the usage they name
  KW_COMP1 = 9,
  KW_COMP2 = 10,
  KW_PACKED = 11,
  KW_BINARY = 12,
  KW_POINTER = 13,
  KW_PROCEDURE_POINTER = 14,
  // Words of the whole data description grammar, which a compiler reads.
  KW_PICTURE = 15,
  KW_JUSTIFIED = 16,         // JUST, JUSTIFIED
  KW_BLANK = 17,
  KW_EXTERNAL = 18,          // EXTERNAL, GLOBAL
  KW_RENAMES = 19,
  KW_LEADING = 20,
  KW_TRAILING = 21,
  KW_INDEX = 22,
  KW_NATIONAL = 23,
  KW_DISPLAY1 = 24,
  KW_DEPENDING = 25,         // phrases of OCCURS
  KW_KEY_ORDER = 26,         // ASCENDING, DESCENDING
  KW_INDEXED = 27,
  // Usages of other compilers.
  KW_BINARY_CHAR = 28,
  KW_BINARY_SHORT = 29,
  KW_BINARY_LONG = 30,
  KW_BINARY_DOUBLE = 31,
  KW_FLOAT_SHORT = 32,
  KW_FLOAT_LONG = 33,
  KW_COMP_X = 34,            // COMP-X, COMP-N and their long forms
  KW_COMP6 = 35,
};
constexpr Keyword KW_FIRST_COMPILER_WORD = KW_PICTURE;
constexpr Keyword KW_FIRST_OTHER_USAGE = KW_BINARY_CHAR;

// The keyword a token spells whole, looked up once for every use of it.
Keyword ClassifyWholeWord(std::string_view token);
// The same, or SYNC or USAGE for any other word that begins with one.
Keyword ClassifyWord(std::string_view token);

// Keyword tests, letter case ignored.
bool IsWord(std::string_view token, std::string_view word);
bool StartsWithWord(std::string_view token, std::string_view word);
// Prefix test with letter case as written.
inline bool StartsWithExactly(std::string_view token, std::string_view word) {
  return token.substr(0, word.size()) == word;
}

// How an optional word of a phrase is recognised.
enum WordMatch : uint8_t {
  WM_WHOLE = 0,   // the word itself
  WM_PREFIX = 1,  // any word that begins with it
};

inline bool MatchesWord(std::string_view token, std::string_view word, WordMatch match) {
  return match == WM_PREFIX ? StartsWithWord(token, word) : IsWord(token, word);
}

// Steps past the current token when it is the word; 0 only when no token
// follows it (reported).
int SkipWord(TokenCursor* cursor, std::string_view word, WordMatch match = WM_WHOLE);

inline bool IsPeriod(const TokenCursor* cursor) {
  return !cursor->quoted && cursor->length == 1 && *cursor->token == '.';
}
