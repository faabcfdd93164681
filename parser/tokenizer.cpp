// The tokenizer: a token is a view into a line's text, never a copy, and
// never spans two lines.
#include "parser/tokenizer.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "driver/settings.h"
#include "source/char_classes.h"
#include "source/diagnostic.h"
#include "cs/letter_case.h"

constexpr int32_t COMMENT_COLUMN = 6;  // the indicator area, column 7

TokenCursor StartCursor(SourceFile* file) {
  TokenCursor cursor{};
  FirstSourceLine(file, &cursor.line);
  return cursor;
}

// A NUL byte ends a line's text for the tokenizer; the load told whether
// the file holds any.
static int32_t TextLength(const SourceLine& line) {
  if (!line.file->hasNul) return line.length;
  const void* nul = std::memchr(line.text, '\0', line.length);
  return nul ? static_cast<int32_t>(static_cast<const char*>(nul) - line.text)
             : line.length;
}

// Logical lines hold code only: their reference format was read already.
static bool LinesAreCodeOnly(const SourceLine& line) { return line.file->origins != nullptr; }

// Finds the next code line; 0 at the end of the file.
static int NextCodeLine(TokenCursor* cursor, const char** start) {
  SourceLine line = cursor->line;
  bool found = line.file && (!cursor->lineHandedOut || NextSourceLine(&line));
  if (found && LinesAreCodeOnly(line)) {
    cursor->line = line;
    cursor->lineHandedOut = true;
    cursor->limit = line.text + line.length;
    *start = line.text;
    return 1;
  }
  for (; found; found = NextSourceLine(&line)) {
    int32_t length = TextLength(line);
    if (length <= MinCodeOffset) continue;
    if (length > COMMENT_COLUMN && line.text[COMMENT_COLUMN] == '*') continue;
    int64_t codeEnd = int64_t{MaxCodeOffset} + 1;
    cursor->line = line;
    cursor->lineHandedOut = true;
    cursor->limit = line.text + std::min<int64_t>(codeEnd, length);
    *start = line.text + MinCodeOffset;
    return 1;
  }
  return 0;
}

static int EndOfInput(const TokenCursor* cursor, bool required) {
  return required ? ReportAt(cursor->token, "Unexpected end of file\n") : 0;
}

// Compiler literals: X'..', N'..', G'..' and Z'..' are literals too, and a
// doubled quote inside a literal stands for one quote.
static bool IsCompilerLiteralStart(const char* p, const char* limit) {
  if (IsClass(*p, CC_QUOTE)) return true;
  return *p && std::strchr("XxNnGgZzBb", *p) && p + 1 < limit && IsClass(p[1], CC_QUOTE);
}

static const char* CompilerLiteralEnd(const char* p, const char* limit) {
  char quote = *p++;
  for (; p < limit; p++) {
    if (*p != quote) continue;
    if (p + 1 < limit && p[1] == quote) {
      p++;
      continue;
    }
    return p + 1;
  }
  return limit;
}

// Whether p holds c with a digit after it: the period that ends an entry
// does not.
static bool BeforeDigit(const char* p, char c, const char* limit) {
  return *p == c && p + 1 < limit && IsClass(p[1], CC_DIGIT);
}

// A '.' between two digits inside a word is a decimal point, not the
// period; to a compiler so is a '.' that begins a number before a digit
// (.5, -.5). Out of line: few tokens hold a '.'.
[[gnu::noinline]] static bool IsDecimalPoint(const char* p, const char* wordStart, const char* limit) {
  if (*p != '.' || p + 1 >= limit || !IsClass(p[1], CC_DIGIT)) return false;
  if (p > wordStart && IsClass(p[-1], CC_DIGIT)) return true;
  return CurrentDialect->compilerLiterals &&
         (p == wordStart || (p - 1 == wordStart && (p[-1] == '+' || p[-1] == '-')));
}

static const char* SkipWhitespace(const char* p, const char* limit) {
  while (p < limit && IsClass(*p, CC_WHITESPACE)) p++;
  return p;
}

// The first character of the next token on a later code line, the cursor
// moved to that line; null, the cursor unmoved, when there is none. Kept
// out of line: most tokens follow another on the same line.
[[gnu::noinline]] static const char* StartOnLaterLine(TokenCursor* cursor) {
  TokenCursor search = *cursor;
  const char* p;
  do {
    if (!NextCodeLine(&search, &p)) return nullptr;
    p = SkipWhitespace(p, search.limit);
  } while (p >= search.limit);
  *cursor = search;
  return p;
}

int GetToken(TokenCursor* cursor, bool required) {
  cursor->quoted = false;
  const char* p = cursor->token;
  if (p) p = SkipWhitespace(p + cursor->length, cursor->limit);
  if (!p || p >= cursor->limit) {
    p = StartOnLaterLine(cursor);
    if (!p) return EndOfInput(cursor, required);
  }
  const char* limit = cursor->limit;
  const char* start = p;
  if (CurrentDialect->compilerLiterals && IsCompilerLiteralStart(p, limit)) {
    cursor->quoted = true;
    p = CompilerLiteralEnd(IsClass(*p, CC_QUOTE) ? p : p + 1, limit);
  } else if (IsClass(*p, CC_QUOTE)) {
    cursor->quoted = true;
    char quote = *p++;
    while (p < limit && *p != quote) p++;
    if (p < limit) p++;  // the closing quote
  } else if (IsClass(*p, CC_DELIMITER) && !(BeforeDigit(p, '.', limit) && IsDecimalPoint(p, start, limit))) {
    p++;
  } else {
    for (;;) {
      while (p < limit && !IsClass(*p, CC_DELIMITER)) p++;
      if (p == limit || !BeforeDigit(p, '.', limit) || !IsDecimalPoint(p, start, limit)) break;
      p++;
    }
  }
  cursor->token = start;
  cursor->length = static_cast<int32_t>(p - start);
  return 1;
}

// A logical line begins at the code area of the physical line it came from.
static int64_t CodeColumnOf(const SourceLine& line) {
  return LinesAreCodeOnly(line) ? int64_t{MinCodeOffset} + 1 : 0;
}

static int ReportAtV(const char* p, const char* format, va_list arguments) {
  SourceLine line;
  if (!p || !FindSourceLine(p, &line)) return ReportAtLineV(nullptr, 0, format, arguments);
  // A logical line reports the physical line it began on.
  const SourceLine& origin = line.file->origins ? line.file->origins[line.number - 1] : line;
  return ReportAtLineV(&origin, p - line.text + CodeColumnOf(line), format, arguments);
}

int ReportAt(const char* p, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  ReportAtV(p, format, arguments);
  va_end(arguments);
  return 0;
}

void ReportPosition(const char* p) { ReportAt(p, "%s", ""); }

bool StartsWithWord(std::string_view token, std::string_view word) {
  return token.size() >= word.size() && SameWordAnyCase(token.substr(0, word.size()), word);
}

bool IsWord(std::string_view token, std::string_view word) { return SameWordAnyCase(token, word); }

int SkipWord(TokenCursor* cursor, std::string_view word, WordMatch match) {
  return !MatchesWord(TokenText(cursor), word, match) || GetToken(cursor, true);
}

struct KeywordSpelling {
  std::string_view word;
  Keyword keyword;
};

// Every spelling of every keyword, whole.
static constexpr KeywordSpelling KEYWORDS[] = {
    {"ASCENDING", KW_KEY_ORDER},
    {"BINARY", KW_BINARY},
    {"BINARY-CHAR", KW_BINARY_CHAR},
    {"BINARY-DOUBLE", KW_BINARY_DOUBLE},
    {"BINARY-LONG", KW_BINARY_LONG},
    {"BINARY-SHORT", KW_BINARY_SHORT},
    {"BLANK", KW_BLANK},
    {"COMP", KW_BINARY},
    {"COMP-1", KW_COMP1},
    {"COMP-2", KW_COMP2},
    {"COMP-3", KW_PACKED},
    {"COMP-4", KW_BINARY},
    {"COMP-5", KW_BINARY},
    {"COMP-6", KW_COMP6},
    {"COMP-N", KW_COMP_X},
    {"COMP-X", KW_COMP_X},
    {"COMPUTATIONAL", KW_BINARY},
    {"COMPUTATIONAL-1", KW_COMP1},
    {"COMPUTATIONAL-2", KW_COMP2},
    {"COMPUTATIONAL-3", KW_PACKED},
    {"COMPUTATIONAL-4", KW_BINARY},
    {"COMPUTATIONAL-5", KW_BINARY},
    {"COMPUTATIONAL-6", KW_COMP6},
    {"COMPUTATIONAL-N", KW_COMP_X},
    {"COMPUTATIONAL-X", KW_COMP_X},
    {"DEPENDING", KW_DEPENDING},
    {"DESCENDING", KW_KEY_ORDER},
    {"DISPLAY", KW_DISPLAY},
    {"DISPLAY-1", KW_DISPLAY1},
    {"EXTERNAL", KW_EXTERNAL},
    {"FLOAT-LONG", KW_FLOAT_LONG},
    {"FLOAT-SHORT", KW_FLOAT_SHORT},
    {"FUNCTION-POINTER", KW_POINTER},
    {"GLOBAL", KW_EXTERNAL},
    {"INDEX", KW_INDEX},
    {"INDEXED", KW_INDEXED},
    {"JUST", KW_JUSTIFIED},
    {"JUSTIFIED", KW_JUSTIFIED},
    {"LEADING", KW_LEADING},
    {"NATIONAL", KW_NATIONAL},
    {"OCCURS", KW_OCCURS},
    {"PACKED-DECIMAL", KW_PACKED},
    {"PIC", KW_PIC},
    {"PICTURE", KW_PICTURE},
    {"POINTER", KW_POINTER},
    {"PROCEDURE-POINTER", KW_PROCEDURE_POINTER},
    {"REDEFINES", KW_REDEFINES},
    {"RENAMES", KW_RENAMES},
    {"SIGN", KW_SIGN},
    {"SYNC", KW_SYNC},
    {"SYNCHRONIZED", KW_SYNC},
    {"TRAILING", KW_TRAILING},
    {"USAGE", KW_USAGE},
    {"VALUE", KW_VALUE},
    {"VALUES", KW_VALUE},
};
constexpr size_t KEYWORD_COUNT = sizeof KEYWORDS / sizeof *KEYWORDS;
static_assert(
    [] {
      for (const KeywordSpelling& spelling : KEYWORDS)
        for (char c : spelling.word)
          if (UpperCase(c) != c) return false;
      return true;
    }(),
    "spellings in upper case, as ClassifyWholeWord compares them");

// Length, first and last letter tell every spelling above from the others,
// so that a word is compared with one spelling at most.
static constexpr size_t KeywordHash(size_t length, char first, char last) {
  return (length * 5 + static_cast<uint8_t>(first) * 27u + static_cast<uint8_t>(last)) & 255u;
}

static constexpr auto KEYWORD_SLOTS = [] {
  struct Table {
    uint8_t of[256];   // 1 + the spelling's place in KEYWORDS; 0: none
    bool collides;
  } table{};
  for (size_t at = 0; at < KEYWORD_COUNT; at++) {
    std::string_view word = KEYWORDS[at].word;
    uint8_t& slot = table.of[KeywordHash(word.size(), word.front(), word.back())];
    if (slot != 0) table.collides = true;
    slot = static_cast<uint8_t>(at + 1);
  }
  return table;
}();
static_assert(!KEYWORD_SLOTS.collides, "a slot for every spelling");

Keyword ClassifyWholeWord(std::string_view token) {
  if (token.empty()) return KW_NONE;
  uint8_t slot = KEYWORD_SLOTS.of[KeywordHash(token.size(), UpperCase(token.front()),
                                              UpperCase(token.back()))];
  if (slot == 0) return KW_NONE;
  // The spellings are in upper case already.
  std::string_view word = KEYWORDS[slot - 1].word;
  if (token.size() != word.size()) return KW_NONE;
  for (size_t i = 0; i < word.size(); i++)
    if (UpperCase(token[i]) != word[i]) return KW_NONE;
  return KEYWORDS[slot - 1].keyword;
}

Keyword ClassifyWord(std::string_view token) {
  Keyword keyword = ClassifyWholeWord(token);
  if (keyword != KW_NONE || token.empty()) return keyword;
  char first = UpperCase(token.front());
  if (first == 'S' && StartsWithWord(token, "SYNC")) return KW_SYNC;
  if (first == 'U' && StartsWithWord(token, "USAGE")) return KW_USAGE;
  return KW_NONE;
}
