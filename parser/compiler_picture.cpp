// A PICTURE character-string runs up to a space, or to a period, comma or
// semicolon that a space or the end of the line follows; it is read here
// from the line store whole, since its editing symbols are delimiters to
// the tokenizer.
#include "parser/compiler_picture.h"
#include "parser/names.h"

#include <cstdio>
#include <cstring>

#include "driver/settings.h"
#include "parser/picture.h"
#include "source/char_classes.h"
#include "cs/letter_case.h"

namespace {

struct PictureCounts {
  int64_t digits = 0, scale = 0;  // 9 positions before and after the point
  int64_t characters = 0;          // A and X positions
  int64_t edited = 0;              // bytes of editing symbols and Z, *
  int64_t wide = 0;                // bytes of N and G positions, two each
  int64_t scaledBefore = 0;        // P positions before the first 9
  int64_t scaledAfter = 0;         // P positions after the 9s
  bool signedPicture = false, point = false, scaled = false, national = false, dbcs = false;
  const char* sign = nullptr;   // the first S
  const char* place = nullptr;  // the first V or P
};

const char* StringEnd(const char* p, const char* limit) {
  const char* end = p;
  while (end < limit && !IsClass(*end, CC_WHITESPACE)) end++;
  if (end > p && IsClass(end[-1], CC_PUNCTUATION)) end--;  // the separator that ends it
  return end;
}

int Refuse(const char* at, const char* message, char symbol) { return ReportAt(at, message, symbol); }

// The repeat count after a symbol, at p on "(": 1 when there is none.
int ReadRepeat(const char** p, const char* end, int64_t* count) {
  *count = 1;
  if (*p >= end || **p != '(') return 1;
  const char* close = static_cast<const char*>(std::memchr(*p, ')', end - *p));
  if (!close) {
    return ReportAt(end, "Expected ')'.\n");
  }
  int32_t value;
  if (!ParseNumber({*p + 1, static_cast<size_t>(close - *p - 1)}, &value)) return 0;
  *count = value;
  *p = close + 1;
  return 1;
}

int CountSymbol(const char* at, char symbol, int64_t count, PictureCounts* counts) {
  switch (symbol) {
    case '9':
      (counts->point ? counts->scale : counts->digits) += count;
      return 1;
    case 'A': case 'X':
      counts->characters += count;
      return 1;
    case 'N': case 'G':
      counts->wide += 2 * count;
      (symbol == 'N' ? counts->national : counts->dbcs) = true;
      return 1;
    case 'S':
      counts->signedPicture = true;
      if (!counts->sign) counts->sign = at;
      return 1;
    case 'V':
      if (!counts->place) counts->place = at;
      if (counts->point && !counts->scaled)
        return Refuse(at, "Unexpected decimal point character '%c' in PIC.", *at);
      counts->point = true;
      return 1;
    case 'P':
      if (!counts->place) counts->place = at;
      // Scaling positions take no storage and are no digits; a run before
      // the digits puts the decimal point in front of them.
      if (counts->digits == 0 && !counts->point) counts->point = counts->scaled = true;
      (counts->digits == 0 && counts->scale == 0 ? counts->scaledBefore : counts->scaledAfter) += count;
      return 1;
    case 'B': case '0': case '/': case ',': case '.': case '+': case '-': case '*':
    case 'Z': case '$':
      counts->edited += count;
      return 1;
    default:
      return Refuse(at, "Unexpected PIC character '%c'\n", *at);
  }
}

}  // namespace

int ParseCompilerPicture(TokenCursor* cursor, FieldNode* node) {
  if (!GetToken(cursor, true)) return 0;
  if (!SkipWord(cursor, "IS")) return 0;
  const char* start = cursor->token;
  const char* end = StringEnd(start, cursor->limit);
  PictureCounts counts;
  for (const char* p = start; p < end;) {
    const char* at = p;
    char symbol = UpperCase(*p++);
    if ((symbol == 'C' || symbol == 'D') && p < end &&
        UpperCase(*p) == (symbol == 'C' ? 'R' : 'B')) {
      p++;
      counts.edited += 2;  // CR and DB take two positions
      continue;
    }
    int64_t count;
    if (!ReadRepeat(&p, end, &count) || !CountSymbol(at, symbol, count, &counts)) return 0;
  }
  // A sign belongs to a plain number; a decimal point to a number, edited or not.
  if (counts.sign && (counts.edited || counts.characters || counts.wide))
    return Refuse(counts.sign, "PIC character '%c' can not be in this picture\n", *counts.sign);
  if (counts.place && (counts.characters || counts.wide))
    return Refuse(counts.place, "PIC character '%c' can not be in this picture\n", *counts.place);
  int64_t display = counts.digits + counts.scale;
  FieldType kind = FT_NUMERIC;
  int64_t positions = display;
  if (counts.edited || counts.characters) {
    // Edited and alphanumeric strings are display bytes, one a position.
    kind = FT_CHAR;
    positions = counts.edited + counts.characters + display + counts.wide;
  } else if (counts.wide) {
    kind = FT_HEX;
    positions = counts.wide;
  } else if (display == 0) {
    return Refuse(start, "Unexpected PIC character '%c'\n", *start);
  }
  int32_t most = CurrentDialect->mostDigits;
  if (kind == FT_NUMERIC && most > 0 && display > most) {
    std::string name = node->name.empty() ? "FILLER" : FormatNameOf(node->name);
    return ReportAt(start, "Numeric field '%s' with %lld digits found. At most %d digits are allowed.\n",
                    name.c_str(), static_cast<long long>(display), most);
  }
  if (node->type != FT_UNSET && node->type != kind)
    return Refuse(start, "Unexpected PIC type '%c'\n", *start);
  if (positions > INT32_MAX) {
    return ReportAt(start, "PIC holds more than 2147483647 positions.\n");
  }
  node->type = kind;
  if (kind == FT_NUMERIC) {
    node->digits = static_cast<int32_t>(counts.digits);
    node->scale = static_cast<int32_t>(counts.scale);
    node->isSigned = counts.signedPicture;
    node->hasDecimalPoint = counts.point;
    // Decoded values need the scaling; beyond 127 positions no value fits anyway.
    int64_t scaling = counts.scaledBefore ? counts.scaledBefore : -counts.scaledAfter;
    node->scaling = static_cast<int8_t>(scaling > 127 ? 127 : scaling < -127 ? -127 : scaling);
  } else {
    node->isNational = kind == FT_HEX && counts.national && !counts.dbcs;
    node->digits = static_cast<int32_t>(positions);
  }
  cursor->token = start;
  cursor->length = static_cast<int32_t>(end - start);
  return GetToken(cursor, true);
}
