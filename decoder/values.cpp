// Field values to text. Display, packed and binary numbers become digit
// lanes (decoder/lanes.h) where they fit sixteen, else digits a byte at a
// time; no value passes through a binary float except COMP-1 and COMP-2.
#include "decoder/values.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "decoder/lanes.h"

namespace {

constexpr uint64_t ONES = 0x0101010101010101ull;

uint64_t Load8(const uint8_t* p) {
  uint64_t x;
  std::memcpy(&x, p, 8);
  return x;
}

// Eight display digits of the zone 0xF (EBCDIC) or 0x3 (ASCII) made ASCII;
// false when any byte is no such digit.
inline bool EightDigits(const uint8_t* p, uint8_t zone, char* out) {
  uint64_t x = Load8(p);
  uint64_t low = x & (0x0F * ONES);
  if ((x & (0xF0 * ONES)) != zone * ONES || ((low + 0x06 * ONES) & (0xF0 * ONES)) != 0) return false;
  x = low | (0x30 * ONES);
  std::memcpy(out, &x, 8);
  return true;
}

// Plain digits p[0..count) as ASCII; false when one is not a plain digit.
inline bool PlainDigits(const uint8_t* p, int32_t count, const CodePage& page, char* out) {
  uint8_t zone = page.ebcdic ? 0xF0 : 0x30;
  int32_t i = 0;
  for (; i + 8 <= count; i += 8)
    if (!EightDigits(p + i, zone, out + i)) return false;
  for (; i < count; i++) {
    uint8_t z = page.zones[p[i]];
    if ((z & 0xF0) != ZONE_DIGIT) return false;
    out[i] = static_cast<char>('0' + z);
  }
  return true;
}

// A packed byte of two digits as their ASCII pair (first digit in the low
// byte); 0 for a byte with a nibble above 9.
struct PackedPairs {
  uint16_t of[256];
};
constexpr PackedPairs PACKED_PAIRS = [] {
  PackedPairs pairs{};
  for (int b = 0; b < 256; b++)
    if ((b >> 4) <= 9 && (b & 15) <= 9) pairs.of[b] = static_cast<uint16_t>(('0' + (b >> 4)) | ('0' + (b & 15)) << 8);
  return pairs;
}();

constexpr char PAIRS[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// The decimal digits of value, written to end backwards; returns their start.
char* DigitsBefore(char* end, uint64_t value) {
  while (value >= 100) {
    unsigned pair = static_cast<unsigned>(value % 100);
    value /= 100;
    end -= 2;
    std::memcpy(end, PAIRS + 2 * pair, 2);
  }
  if (value >= 10) {
    end -= 2;
    std::memcpy(end, PAIRS + 2 * value, 2);
  } else {
    *--end = static_cast<char>('0' + value);
  }
  return end;
}

// A number's digits as ASCII at digits; false when not valid.
bool NumberDigits(const uint8_t* p, const Step& step, const CodePage& page, char* digits, int32_t* count,
                  bool* negative) {
  int32_t width = static_cast<int32_t>(step.width);
  *negative = false;
  switch (step.kind) {
    case SK_ZONED: {
      *count = width;
      if (step.sign == SIGN_NONE) return PlainDigits(p, width, page, digits);
      int32_t at = step.sign == SIGN_LEADING ? 0 : width - 1;
      uint8_t z = page.zones[p[at]];
      if (z == ZONE_BAD) return false;
      *negative = (z & 0xF0) == ZONE_MINUS;
      digits[at] = static_cast<char>('0' + (z & 0x0F));
      return step.sign == SIGN_LEADING ? PlainDigits(p + 1, width - 1, page, digits + 1)
                                       : PlainDigits(p, width - 1, page, digits);
    }
    case SK_SEPARATE: {
      *count = width - 1;
      uint8_t sign = step.sign == SIGN_LEADING ? p[0] : p[width - 1];
      if (sign != page.plus && sign != page.minus) return false;
      *negative = sign == page.minus;
      return PlainDigits(p + (step.sign == SIGN_LEADING), width - 1, page, digits);
    }
    case SK_PACKED: {
      int32_t last = width - 1;
      for (int32_t i = 0; i < last; i++) {
        uint16_t pair = PACKED_PAIRS.of[p[i]];
        if (!pair) return false;
        std::memcpy(digits + 2 * i, &pair, 2);
      }
      uint8_t high = p[last] >> 4, low = p[last] & 0x0F;
      if (high > 9) return false;
      digits[2 * last] = static_cast<char>('0' + high);
      if (step.sign != SIGN_NONE ? low != 0xC && low != 0xD && low != 0xF : low != 0xF && low != 0xC) return false;
      *negative = low == 0xD;
      *count = 2 * last + 1;
      return true;
    }
    case SK_DIGIT_PAIRS: {
      for (int32_t i = 0; i < width; i++) {
        uint16_t pair = PACKED_PAIRS.of[p[i]];
        if (!pair) return false;
        std::memcpy(digits + 2 * i, &pair, 2);
      }
      *count = 2 * width;
      return true;
    }
    default: {  // binary, big-endian
      uint64_t value = 0;
      for (int32_t i = 0; i < width; i++) value = value << 8 | p[i];
      if (step.sign != SIGN_NONE && width < 8 && (p[0] & 0x80)) value |= ~uint64_t{0} << (8 * width);
      if (step.sign != SIGN_NONE && static_cast<int64_t>(value) < 0) {
        *negative = true;
        value = 0 - value;
      }
      // Twenty digits, the number's right-aligned after zeros, as a display
      // number would hold them.
      std::memcpy(digits, "00000000000000000000", 20);
      DigitsBefore(digits + 20, value);
      *count = 20;
      return true;
    }
  }
}

// Scratch room for digits inside a field's reserved output, past where its
// text can reach.
char* ScratchOf(char* out, const Step& step) {
  return out + 3 * int64_t{step.width} + (step.scale < 0 ? -step.scale : step.scale) + 40;
}

// UTF-8 sequences whole and shortest; no surrogates.
bool ValidUtf8(const uint8_t* p, const uint8_t* end) {
  while (p < end) {
    uint8_t c = *p++;
    if (c < 0x80) continue;
    int more = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC2 ? 1 : -1;
    if (more < 0 || c > 0xF4 || end - p < more) return false;
    uint32_t code = c & (0x3F >> more);
    for (int i = 0; i < more; i++) {
      if ((p[i] & 0xC0) != 0x80) return false;
      code = code << 6 | (p[i] & 0x3F);
    }
    if ((more == 2 && (code < 0x800 || (code >= 0xD800 && code < 0xE000))) || (more == 3 && (code < 0x10000 || code > 0x10FFFF)))
      return false;
    p += more;
  }
  return true;
}

// Text at start (UTF-8, end unchanged) quoted as a CSV cell, in place.
char* QuoteCsv(char* start, char* end) {
  int64_t quotes = 0;
  for (char* c = start; c < end; c++) quotes += *c == '"';
  char* to = end + quotes + 2;
  char* result = to;
  *--to = '"';
  for (char* c = end; c-- > start;) {
    *--to = *c;
    if (*c == '"') *--to = '"';
  }
  *--to = '"';
  return result;
}

// Text at start escaped for a JSON string, in place; the opening quote is
// before start, the closing one is written here.
char* EscapeJson(char* start, char* end) {
  int64_t extra = 0;
  for (char* c = start; c < end; c++) {
    unsigned char u = static_cast<unsigned char>(*c);
    extra += u == '"' || u == '\\' || u == '\b' || u == '\f' || u == '\n' || u == '\r' || u == '\t' ? 1 : u < 0x20 ? 5 : 0;
  }
  char* to = end + extra;
  char* result = to;
  for (char* c = end; c-- > start;) {
    unsigned char u = static_cast<unsigned char>(*c);
    const char* plain = u == '"' ? "\"" : u == '\\' ? "\\" : u == '\b' ? "b" : u == '\f' ? "f" : u == '\n' ? "n"
                      : u == '\r' ? "r" : u == '\t' ? "t" : nullptr;
    if (plain) {
      *--to = *plain, *--to = '\\';
    } else if (u < 0x20) {
      to -= 6;
      std::memcpy(to, "\\u00", 4);
      to[4] = "0123456789abcdef"[u >> 4], to[5] = "0123456789abcdef"[u & 15];
    } else {
      *--to = *c;
    }
  }
  *result = '"';
  return result + 1;
}

bool NeedsCsvQuotes(const char* start, const char* end) {
  for (const char* c = start; c < end; c++)
    if (*c == ',' || *c == '"' || *c == '\r' || *c == '\n') return true;
  return false;
}

bool NeedsJsonEscapes(const char* start, const char* end) {
  for (const char* c = start; c < end; c++)
    if (*c == '"' || *c == '\\' || static_cast<unsigned char>(*c) < 0x20) return true;
  return false;
}

}  // namespace

char* PutDecimal(char* out, const char* digits, int32_t count, int32_t scale, bool negative) {
  int32_t first = 0;
  while (first < count && digits[first] == '0') first++;
  if (first == count) negative = false;
  if (negative) *out++ = '-';
  if (scale <= 0) {
    if (first == count) {
      *out++ = '0';
      return out;
    }
    std::memmove(out, digits + first, count - first);
    out += count - first;
    for (int32_t i = scale; i < 0; i++) *out++ = '0';
    return out;
  }
  int32_t whole = count - scale;  // digits before the point; < 0 when P scales
  if (first >= whole || whole <= 0) {
    *out++ = '0';
  } else {
    std::memmove(out, digits + first, whole - first);
    out += whole - first;
  }
  *out++ = '.';
  for (int32_t i = whole; i < 0; i++) *out++ = '0';
  int32_t from = whole < 0 ? 0 : whole;
  std::memmove(out, digits + from, count - from);
  return out + (count - from);
}

// A binary value through digit lanes.
inline char* PutBinary(char* out, const uint8_t* p, const Step& step) {
  bool negative;
  uint64_t value = BinaryMagnitude(p, step.width, step.sign != SIGN_NONE, &negative);
  return value < SIXTEEN_DIGITS_LIMIT ? PutLanes(out, SixteenDigits(value), 16, step.scale, negative)
                                      : PutWideLanes(out, value, step.scale, negative);
}

char* PutNumber(char* out, const uint8_t* bytes, const Step& step, const CodePage& page) {
  int32_t width = static_cast<int32_t>(step.width);
  int32_t scale = step.scale;
  bool fast = scale >= 0 && scale <= width;
  __m128i digits;
  bool negative;
  switch (step.kind) {
    case SK_ZONED:
      if (!fast || width > 16) break;
      if (!ZonedLanes(bytes, width, step.sign == SIGN_NONE ? -1 : step.sign == SIGN_LEADING ? 0 : width - 1, page,
                      &digits, &negative))
        return nullptr;
      return PutLanes(out, digits, width, scale, negative);
    case SK_PACKED:
      if (!fast || width > 8) break;
      if (!PackedLanes(bytes, width, step.sign != SIGN_NONE, &digits, &negative)) return nullptr;
      return PutLanes(out, digits, 2 * width - 1, scale, negative);
    case SK_DIGIT_PAIRS:
      if (scale < 0 || scale > 2 * width || width > 8) break;
      if (!NibbleLanes(bytes, width, &digits)) return nullptr;
      return PutLanes(out, digits, 2 * width, scale, false);
    case SK_BINARY:
      if (!fast) break;
      return PutBinary(out, bytes, step);
    default:
      break;
  }
  char* scratch = ScratchOf(out, step);
  int32_t count;
  if (!NumberDigits(bytes, step, page, scratch, &count, &negative)) return nullptr;
  return PutDecimal(out, scratch, count, scale, negative);
}

int ReadInteger(const uint8_t* bytes, const Step& step, const CodePage& page, int64_t* value) {
  char digits[128];
  int32_t count;
  bool negative;
  if (step.width > 60 || !NumberDigits(bytes, step, page, digits, &count, &negative)) return 0;
  int32_t whole = step.scale > 0 ? count - step.scale : count;
  int64_t result = 0;
  for (int32_t i = 0; i < whole; i++) {
    result = result * 10 + (digits[i] - '0');
    if (result > (int64_t{1} << 40)) result = int64_t{1} << 40;  // past any table's bound
  }
  for (int32_t i = step.scale; i < 0 && result < (int64_t{1} << 40); i++) result *= 10;
  *value = negative ? -result : result;
  return 1;
}

char* PutFloat(char* out, const uint8_t* p, const Step& step, bool ibm) {
  double value;
  if (step.kind == SK_FLOAT) {
    uint32_t bits = uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
    if (ibm) {
      // 0.f times 16 to the excess-64 exponent: 24 fraction bits fit a double exactly.
      value = std::ldexp(static_cast<double>(bits & 0xFFFFFF), 4 * (static_cast<int>(bits >> 24 & 0x7F) - 64) - 24);
      if (bits >> 31) value = -value;
    } else {
      float f;
      std::memcpy(&f, &bits, 4);
      value = f;
    }
  } else {
    uint64_t bits = 0;
    for (int i = 0; i < 8; i++) bits = bits << 8 | p[i];
    if (ibm) {
      // 56 fraction bits: the conversion to double rounds once, to nearest, ties to even;
      // the power of two is then exact.
      value = std::ldexp(static_cast<double>(bits & 0x00FFFFFFFFFFFFFFull), 4 * (static_cast<int>(bits >> 56 & 0x7F) - 64) - 56);
      if (bits >> 63) value = -value;
    } else {
      std::memcpy(&value, &bits, 8);
    }
  }
  if (!std::isfinite(value)) return nullptr;  // no JSON number, no exact text
  if (value == 0) value = 0;                  // no minus on zero
  return std::to_chars(out, out + 32, value).ptr;
}

char* PutHex(char* out, const uint8_t* bytes, uint32_t width) {
  for (uint32_t i = 0; i < width; i++) {
    *out++ = "0123456789ABCDEF"[bytes[i] >> 4];
    *out++ = "0123456789ABCDEF"[bytes[i] & 15];
  }
  return out;
}

char* PutText(char* out, const uint8_t* bytes, uint32_t width, const CodePage& page, OutputForm form,
              bool keepSpaces) {
  const uint8_t* end = bytes + width;
  if (!keepSpaces) {
    while (end - bytes >= 8 && Load8(end - 8) == page.space * ONES) end -= 8;
    while (end > bytes && end[-1] == page.space) end--;
  }
  if (page.utf8 && !ValidUtf8(bytes, end)) return nullptr;
  if (form == FORM_JSON) *out++ = '"';
  char* start = out;
  uint32_t seen = 0;
  const uint8_t* p = bytes;
  // Eight bytes at a time while each gives one plain ASCII byte.
  const uint8_t* plain = page.plain[form];
  for (; end - p >= 8; p += 8, out += 8) {
    uint64_t x = uint64_t{plain[p[0]]} | uint64_t{plain[p[1]]} << 8 | uint64_t{plain[p[2]]} << 16 |
                 uint64_t{plain[p[3]]} << 24 | uint64_t{plain[p[4]]} << 32 | uint64_t{plain[p[5]]} << 40 |
                 uint64_t{plain[p[6]]} << 48 | uint64_t{plain[p[7]]} << 56;
    if ((x - ONES) & ~x & (0x80 * ONES)) break;  // a byte that is not plain
    std::memcpy(out, &x, 8);
  }
  for (; p < end; p++) {
    uint32_t entry = page.chars[*p];
    seen |= entry;
    std::memcpy(out, &entry, 4);
    out += entry >> CHAR_LENGTH_SHIFT & 3;
  }
  if (seen & CHAR_BAD) return nullptr;
  if (form == FORM_CSV) return seen & CHAR_CSV ? QuoteCsv(start, out) : out;
  if (seen & CHAR_JSON) return EscapeJson(start, out);
  *out++ = '"';
  return out;
}

char* PutNational(char* out, const uint8_t* bytes, uint32_t width, OutputForm form, bool keepSpaces) {
  uint32_t units = width / 2;
  if (!keepSpaces)
    while (units > 0 && bytes[2 * units - 2] == 0 && bytes[2 * units - 1] == ' ') units--;
  if (form == FORM_JSON) *out++ = '"';
  char* start = out;
  for (uint32_t i = 0; i < units; i++) {
    uint32_t code = uint32_t{bytes[2 * i]} << 8 | bytes[2 * i + 1];
    if (code >= 0xDC00 && code < 0xE000) return nullptr;  // a low surrogate alone
    if (code >= 0xD800 && code < 0xDC00) {
      if (++i == units) return nullptr;
      uint32_t low = uint32_t{bytes[2 * i]} << 8 | bytes[2 * i + 1];
      if (low < 0xDC00 || low >= 0xE000) return nullptr;
      code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
    }
    if (code < 0x80) {
      *out++ = static_cast<char>(code);
    } else if (code < 0x800) {
      *out++ = static_cast<char>(0xC0 | code >> 6), *out++ = static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      *out++ = static_cast<char>(0xE0 | code >> 12), *out++ = static_cast<char>(0x80 | (code >> 6 & 0x3F));
      *out++ = static_cast<char>(0x80 | (code & 0x3F));
    } else {
      *out++ = static_cast<char>(0xF0 | code >> 18), *out++ = static_cast<char>(0x80 | (code >> 12 & 0x3F));
      *out++ = static_cast<char>(0x80 | (code >> 6 & 0x3F)), *out++ = static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  if (form == FORM_CSV) return NeedsCsvQuotes(start, out) ? QuoteCsv(start, out) : out;
  if (NeedsJsonEscapes(start, out)) return EscapeJson(start, out);
  *out++ = '"';
  return out;
}

char* PutValue(char* out, const uint8_t* bytes, const Step& step, OutputForm form, bool ibmFloats, bool keepSpaces) {
  switch (step.kind) {
    case SK_TEXT: return PutText(out, bytes, step.width, DataCodePage, form, keepSpaces);
    case SK_FLOAT:
    case SK_DOUBLE: return PutFloat(out, bytes, step, ibmFloats);
    case SK_NATIONAL: return PutNational(out, bytes, step.width, form, keepSpaces);
    case SK_HEX: {
      if (form == FORM_JSON) *out++ = '"';
      out = PutHex(out, bytes, step.width);
      if (form == FORM_JSON) *out++ = '"';
      return out;
    }
    default: return PutNumber(out, bytes, step, DataCodePage);
  }
}
