// Numbers as sixteen digit lanes, first digit lowest, checked and made
// ASCII at once (SSE2), and written as exact decimals with no branch on
// the digits: a mispredicted branch costs more than the whole conversion.
#pragma once

#include <emmintrin.h>

#include <cstdint>
#include <cstring>

#include "decoder/code_pages.h"

// Lanes from..15 stored at out: 16 bytes written, 16 - from meaningful.
inline void StoreLanesFrom(char* out, __m128i digits, int32_t from) {
  unsigned __int128 all;
  std::memcpy(&all, &digits, 16);
  all >>= 8 * from;  // from < 16
  std::memcpy(out, &all, 16);
}

// count digit lanes as an exact decimal with scale (0..count) digits after
// the point: leading zeros dropped, "0" for a zero whole part, no sign on
// zero. Lanes past count are not read; up to 18 bytes past the text are
// written.
inline char* PutLanes(char* out, __m128i digits, int32_t count, int32_t scale, bool negative) {
  uint32_t zeros = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(digits, _mm_set1_epi8('0'))));
  int32_t first = __builtin_ctz(~zeros | (1u << count));  // count: all zeros
  *out = '-';
  out += negative & (first < count);
  int32_t whole = count - scale;
  if (whole > 0) {
    // When the whole part is zero its last lane is the one '0' written.
    int32_t from = first < whole ? first : whole - 1;
    StoreLanesFrom(out, digits, from);
    out += whole - from;
  } else {
    *out++ = '0';
  }
  if (scale == 0) return out;
  *out++ = '.';
  StoreLanesFrom(out, digits, whole);
  return out + scale;
}

// Display digits of up to 16 bytes checked and made ASCII at once; the
// byte at carrier (-1: none) holds the sign in its zone and is looked up.
// Reads 16 bytes at p.
inline bool ZonedLanes(const uint8_t* p, int32_t count, int32_t carrier, const CodePage& page, __m128i* digits,
                       bool* negative) {
  __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  __m128i low = _mm_and_si128(bytes, _mm_set1_epi8(0x0F));
  __m128i zone = _mm_and_si128(bytes, _mm_set1_epi8(static_cast<char>(0xF0)));
  __m128i zoneOk = _mm_cmpeq_epi8(zone, _mm_set1_epi8(static_cast<char>(page.ebcdic ? 0xF0 : 0x30)));
  __m128i digitOk = _mm_cmplt_epi8(low, _mm_set1_epi8(10));
  uint32_t good = static_cast<uint32_t>(_mm_movemask_epi8(_mm_and_si128(zoneOk, digitOk)));
  uint32_t lanes = (1u << count) - 1;
  __m128i ascii = _mm_or_si128(low, _mm_set1_epi8('0'));
  *negative = false;
  if (carrier >= 0) {
    uint8_t z = page.zones[p[carrier]];
    if (z == ZONE_BAD) return false;
    *negative = (z & 0xF0) == ZONE_MINUS;
    good |= 1u << carrier;
    __m128i at = _mm_cmpeq_epi8(_mm_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15),
                                _mm_set1_epi8(static_cast<char>(carrier)));
    ascii = _mm_or_si128(_mm_andnot_si128(at, ascii), _mm_and_si128(at, _mm_set1_epi8(static_cast<char>('0' + (z & 0x0F)))));
  }
  *digits = ascii;
  return (good & lanes) == lanes;
}

// Packed bytes of up to 8 (15 digits and the sign) checked and unpacked at
// once; reads 8 bytes at p.
inline bool PackedLanes(const uint8_t* p, int32_t width, bool isSigned, __m128i* digits, bool* negative) {
  uint8_t sign = p[width - 1] & 0x0F;
  if (isSigned ? sign != 0xC && sign != 0xD && sign != 0xF : sign != 0xF && sign != 0xC) return false;
  *negative = sign == 0xD;
  __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
  __m128i high = _mm_and_si128(_mm_srli_epi16(bytes, 4), _mm_set1_epi8(0x0F));
  __m128i low = _mm_and_si128(bytes, _mm_set1_epi8(0x0F));
  __m128i nibbles = _mm_unpacklo_epi8(high, low);
  uint32_t bad = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpgt_epi8(nibbles, _mm_set1_epi8(9))));
  if (bad & ((1u << (2 * width - 1)) - 1)) return false;
  *digits = _mm_or_si128(nibbles, _mm_set1_epi8('0'));
  return true;
}

// Unsigned packed bytes of up to 8, two digits each (COMP-6); reads 8 bytes at p.
inline bool NibbleLanes(const uint8_t* p, int32_t width, __m128i* digits) {
  __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
  __m128i high = _mm_and_si128(_mm_srli_epi16(bytes, 4), _mm_set1_epi8(0x0F));
  __m128i low = _mm_and_si128(bytes, _mm_set1_epi8(0x0F));
  __m128i nibbles = _mm_unpacklo_epi8(high, low);
  uint32_t bad = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpgt_epi8(nibbles, _mm_set1_epi8(9))));
  if (bad & ((1u << (2 * width)) - 1)) return false;
  *digits = _mm_or_si128(nibbles, _mm_set1_epi8('0'));
  return true;
}

// Eight decimal digits of value (< 10^8) in eight 16-bit lanes, first digit
// lowest: 10^4 split by a multiply, then each half divided by 1000, 100, 10
// and 1 at once with multiplies by reciprocals exact below 10^4.
inline __m128i EightDigits(uint32_t value) {
  __m128i v = _mm_cvtsi32_si128(static_cast<int>(value));
  __m128i high = _mm_srli_epi64(_mm_mul_epu32(v, _mm_set1_epi32(static_cast<int>(0xD1B71759))), 45);  // value / 10^4
  __m128i low = _mm_sub_epi32(v, _mm_mul_epu32(high, _mm_set1_epi32(10000)));
  __m128i halves = _mm_slli_epi64(_mm_unpacklo_epi16(high, low), 2);  // [4 high, 4 low]
  halves = _mm_unpacklo_epi16(halves, halves);
  halves = _mm_unpacklo_epi32(halves, halves);  // 4 high in lanes 0-3, 4 low in 4-7
  __m128i quotients = _mm_mulhi_epu16(halves, _mm_setr_epi16(8389, 5243, 13108, -32768, 8389, 5243, 13108, -32768));
  quotients = _mm_mulhi_epu16(quotients, _mm_setr_epi16(1 << 7, 1 << 11, 1 << 13, -32768, 1 << 7, 1 << 11, 1 << 13, -32768));
  // a, ab, abc, abcd less 10 times the lane before: a, b, c, d.
  return _mm_sub_epi16(quotients, _mm_slli_epi64(_mm_mullo_epi16(quotients, _mm_set1_epi16(10)), 16));
}

// The sixteen ASCII digits of value (< 10^16), first digit lowest.
inline __m128i SixteenDigits(uint64_t value) {
  uint64_t high = value / 100000000, low = value % 100000000;
  __m128i digits = _mm_packus_epi16(EightDigits(static_cast<uint32_t>(high)), EightDigits(static_cast<uint32_t>(low)));
  return _mm_or_si128(digits, _mm_set1_epi8('0'));
}

// A big-endian binary field of 1 to 8 bytes as its magnitude and sign;
// reads 8 bytes at p.
inline uint64_t BinaryMagnitude(const uint8_t* p, uint32_t width, bool isSigned, bool* negative) {
  uint64_t raw;
  std::memcpy(&raw, p, 8);
  raw = __builtin_bswap64(raw);
  uint32_t shift = 64 - 8 * width;
  if (!isSigned) {
    *negative = false;
    return raw >> shift;
  }
  int64_t value = static_cast<int64_t>(raw) >> shift;
  *negative = value < 0;
  return value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
}

constexpr uint64_t SIXTEEN_DIGITS_LIMIT = 10000000000000000ull;

// A binary magnitude of 10^16 or more (up to 20 digits): the digits above
// the sixteen lanes (at most four) first, then the lanes whole; scale is
// at most 8, within the lanes.
inline char* PutWideLanes(char* out, uint64_t value, int32_t scale, bool negative) {
  uint32_t high = static_cast<uint32_t>(value / SIXTEEN_DIGITS_LIMIT);  // 1 to 1844
  __m128i digits = SixteenDigits(value % SIXTEEN_DIGITS_LIMIT);
  *out = '-';
  out += negative;
  // Four digits, the first in the low byte, less the leading zeros.
  uint32_t head = (high / 1000) | (high / 100 % 10) << 8 | (high / 10 % 10) << 16 | (high % 10) << 24 | 0x30303030u;
  int32_t skip = high >= 1000 ? 0 : high >= 100 ? 1 : high >= 10 ? 2 : 3;
  head >>= 8 * skip;
  std::memcpy(out, &head, 4);
  out += 4 - skip;
  StoreLanesFrom(out, digits, 0);
  out += 16 - scale;
  if (scale == 0) return out;
  *out++ = '.';
  StoreLanesFrom(out, digits, 16 - scale);
  return out + scale;
}
