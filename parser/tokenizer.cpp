// The tokenizer: a token is a view into a line's text, never a copy, and
// never spans two lines.
#include "parser/tokenizer.h"

#include <cstdio>
#include <cstring>
#include <functional>

#include "driver/settings.h"

enum CharClass : uint8_t {
  CC_WHITESPACE = 1,  // skipped between tokens
  CC_DELIMITER = 2,   // a token of its own, ending a word
  CC_QUOTE = 4,
  CC_DIGIT = 8,
};

static constexpr auto CHAR_CLASSES = [] {
  struct Table {
    uint8_t of[256];
  } table{};
  for (char c : std::string_view(" \t\r\n")) table.of[static_cast<uint8_t>(c)] |= CC_WHITESPACE;
  for (char c : std::string_view(" ()[]{};#=,.")) table.of[static_cast<uint8_t>(c)] |= CC_DELIMITER;
  table.of[static_cast<uint8_t>('\'')] |= CC_QUOTE;
  table.of[static_cast<uint8_t>('"')] |= CC_QUOTE;
  for (char c = '0'; c <= '9'; c++) table.of[static_cast<uint8_t>(c)] |= CC_DIGIT;
  return table;
}();

static bool Is(char c, CharClass kind) {
  return CHAR_CLASSES.of[static_cast<uint8_t>(c)] & kind;
}

constexpr int32_t COMMENT_COLUMN = 6;  // the indicator area, column 7

TokenCursor StartCursor(SourceFile* file) {
  TokenCursor cursor{};
  cursor.line = file->firstLine;
  return cursor;
}

// A NUL byte ends a line's text for the tokenizer.
static int32_t TextLength(const SourceLine* line) {
  const void* nul = std::memchr(line->text, '\0', line->length);
  return nul ? static_cast<int32_t>(static_cast<const char*>(nul) - line->text)
             : line->length;
}

// Logical lines hold code only: their reference format was read already.
static bool LinesAreCodeOnly() { return CobolMode; }

int NextCodeLine(TokenCursor* cursor, const char** start) {
  SourceLine* line = cursor->line;
  if (line && cursor->lineHandedOut) line = line->next;
  if (LinesAreCodeOnly()) {
    if (!line) return 0;
    cursor->line = line;
    cursor->lineHandedOut = true;
    cursor->limit = line->text + line->length;
    *start = line->text;
    return 1;
  }
  for (; line; line = line->next) {
    int32_t length = TextLength(line);
    if (length <= MinCodeOffset) continue;
    if (length > COMMENT_COLUMN && line->text[COMMENT_COLUMN] == '*') continue;
    int64_t codeEnd = int64_t{MaxCodeOffset} + 1;
    cursor->line = line;
    cursor->lineHandedOut = true;
    cursor->limit = line->text + (codeEnd < length ? codeEnd : length);
    *start = line->text + MinCodeOffset;
    return 1;
  }
  return 0;
}

static int EndOfInput(TokenCursor* cursor, const TokenCursor& before, bool required) {
  *cursor = before;
  cursor->quoted = false;
  if (required) {
    ReportPosition(cursor->token);
    std::printf("Unexpected end of file\n");
  }
  return 0;
}

// Compiler literals: X'..', N'..', G'..' and Z'..' are literals too, and a
// doubled quote inside a literal stands for one quote.
static bool ReadsCompilerLiterals() { return CobolMode; }

static bool IsCompilerLiteralStart(const char* p, const char* limit) {
  if (Is(*p, CC_QUOTE)) return true;
  return *p && std::strchr("XxNnGgZzBb", *p) && p + 1 < limit && Is(p[1], CC_QUOTE);
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

// A '.' between two digits inside a word is a decimal point, not the period.
static bool IsDecimalPoint(const char* p, const char* wordStart, const char* limit) {
  return *p == '.' && p > wordStart && p + 1 < limit && Is(p[-1], CC_DIGIT) &&
         Is(p[1], CC_DIGIT);
}

int GetToken(TokenCursor* cursor, bool required) {
  const TokenCursor before = *cursor;
  cursor->quoted = false;
  const char* p;
  if (cursor->token) {
    p = cursor->token + cursor->length;
  } else if (!NextCodeLine(cursor, &p)) {
    return EndOfInput(cursor, before, required);
  }
  for (;;) {
    while (p < cursor->limit && Is(*p, CC_WHITESPACE)) p++;
    if (p < cursor->limit) break;
    if (!NextCodeLine(cursor, &p)) return EndOfInput(cursor, before, required);
  }
  const char* start = p;
  if (ReadsCompilerLiterals() && IsCompilerLiteralStart(p, cursor->limit)) {
    cursor->quoted = true;
    p = CompilerLiteralEnd(Is(*p, CC_QUOTE) ? p : p + 1, cursor->limit);
  } else if (Is(*p, CC_QUOTE)) {
    cursor->quoted = true;
    char quote = *p++;
    while (p < cursor->limit && *p != quote) p++;
    if (p < cursor->limit) p++;  // the closing quote
  } else if (Is(*p, CC_DELIMITER)) {
    p++;
  } else {
    while (p < cursor->limit &&
           (!Is(*p, CC_DELIMITER) || IsDecimalPoint(p, start, cursor->limit)))
      p++;
  }
  cursor->token = start;
  cursor->length = static_cast<int32_t>(p - start);
  return 1;
}

// A logical line begins at the code area of the physical line it came from.
static int64_t CodeColumnOf(const SourceLine*) {
  return LinesAreCodeOnly() ? int64_t{MinCodeOffset} + 1 : 0;
}

void ReportPosition(const char* p) {
  std::less_equal<const char*> notAfter;
  if (p) {
    for (SourceFile* file = SourceFiles; file; file = file->next) {
      for (SourceLine* line = file->firstLine; line; line = line->next) {
        if (notAfter(line->text, p) && notAfter(p, line->text + line->length)) {
          std::printf("At offset %d on line %d of file '%s' ",
                      static_cast<int>(p - line->text + CodeColumnOf(line)), line->number,
                      line->file->path);
          return;
        }
      }
    }
  }
  std::printf("Unknown location:");
}

static char Upper(char c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; }

bool StartsWithWord(std::string_view token, std::string_view word) {
  if (token.size() < word.size()) return false;
  for (size_t i = 0; i < word.size(); i++)
    if (Upper(token[i]) != Upper(word[i])) return false;
  return true;
}

bool IsWord(std::string_view token, std::string_view word) {
  return token.size() == word.size() && StartsWithWord(token, word);
}
