// PICTURE strings: 9, A, X, S, V, P and repeat counts are understood;
// editing characters are not.
#include "parser/picture.h"

#include <cstdio>

int ParseNumber(std::string_view text, int32_t* value) {
  int64_t number = 0;
  for (char c : text) {
    if (c < '0' || c > '9') {
      return ReportAt(text.data(), "'%.*s' found where number expected.\n", static_cast<int>(text.size()),
                      text.data());
    }
    number = number * 10 + (c - '0');
    if (number > INT32_MAX) {
      return ReportAt(text.data(), "'%.*s' is larger than 2147483647.\n", static_cast<int>(text.size()),
                      text.data());
    }
  }
  *value = static_cast<int32_t>(number);
  return 1;
}

static bool IsPositionChar(char c) {
  return c == '9' || c == 'A' || c == 'X' || c == 'a' || c == 'x';
}

static bool IsPictureChar(char c) {
  return IsPositionChar(c) || c == 'V' || c == 'P' || c == 'S';
}

static int AddPictureChars(const char* p, FieldNode* node, int64_t count) {
  FieldType kind = *p == '9' ? FT_NUMERIC : FT_CHAR;
  if (node->type != FT_UNSET && node->type != kind) {
    return ReportAt(p, "Unexpected PIC type '%c'\n", *p);
  }
  node->type = kind;
  int32_t& positions = node->hasDecimalPoint ? node->scale : node->digits;
  int64_t total = positions + count;
  if (total > INT32_MAX) {
    return ReportAt(p, "PIC holds more than 2147483647 positions.\n");
  }
  positions = static_cast<int32_t>(total);
  return 1;
}

static int ParsePictureRepeat(TokenCursor* cursor, FieldNode* node) {
  const char* open = cursor->token;
  const char* repeated = open > cursor->line.text ? open - 1 : nullptr;
  if (!repeated || !IsPositionChar(*repeated)) {
    return ReportAt(open, "'%c' found where not expected.\n", '(');
  }
  int32_t count = 0;
  if (!GetToken(cursor, true) || !ParseNumber(TokenText(cursor), &count)) return 0;
  if (!GetToken(cursor, true)) return 0;
  if (TokenText(cursor) != ")") {
    return ReportAt(cursor->token + cursor->length, "Expected ')'.\n");
  }
  // The repeated character was counted once when its own token was read.
  return AddPictureChars(repeated, node, int64_t{count} - 1);
}

static bool IsPictureToken(std::string_view token) {
  if (token == "(") return true;
  for (char c : token)
    if (!IsPictureChar(c)) return false;
  return true;
}

int ParsePicture(TokenCursor* cursor, FieldNode* node) {
  for (;;) {
    if (!GetToken(cursor, true)) return 0;
    std::string_view token = TokenText(cursor);
    if (cursor->quoted || !IsPictureToken(token)) return 1;
    for (const char& c : token) {
      if (c == '(') {
        if (!ParsePictureRepeat(cursor, node)) return 0;
      } else if (IsPositionChar(c)) {
        if (!AddPictureChars(&c, node, 1)) return 0;
      } else if (c == 'V' || c == 'P') {
        if (node->hasDecimalPoint) {
          return ReportAt(&c, "Unexpected decimal point character '%c' in PIC.", c);
        }
        node->hasDecimalPoint = true;
      } else {
        node->isSigned = true;
      }
    }
  }
}
