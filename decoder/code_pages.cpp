// The EBCDIC tables come from glibc's iconv, one call a byte at start: the
// C library keeps the IBM tables exactly, and only the page asked for is
// built. ASCII, Latin-1 and UTF-8 need no converter.
#include "decoder/code_pages.h"

#include <iconv.h>

#include <cstdio>
#include <cstring>
#include <string>

CodePage DataCodePage;

namespace {

constexpr std::string_view EBCDIC_PAGES[] = {
    "037", "1047", "500", "273", "277", "278", "280", "284", "285", "297", "871", "875",
    "1140", "1141", "1142", "1143", "1144", "1145", "1146", "1147", "1148", "1149"};

enum PageFamily : int32_t { PAGE_NONE = 0, PAGE_EBCDIC = 1, PAGE_ASCII = 2, PAGE_LATIN1 = 3, PAGE_UTF8 = 4 };

std::string Lower(std::string_view name) {
  std::string lower(name);
  for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  return lower;
}

PageFamily FamilyOf(std::string_view name) {
  std::string lower = Lower(name);
  if (lower == "ascii") return PAGE_ASCII;
  if (lower == "latin1") return PAGE_LATIN1;
  if (lower == "utf-8") return PAGE_UTF8;
  if (lower.rfind("cp", 0) != 0) return PAGE_NONE;
  for (std::string_view page : EBCDIC_PAGES)
    if (lower.substr(2) == page) return PAGE_EBCDIC;
  return PAGE_NONE;
}

uint32_t Entry(const unsigned char* utf8, size_t length) {
  uint32_t entry = static_cast<uint32_t>(length) << CHAR_LENGTH_SHIFT;
  for (size_t i = 0; i < length; i++) entry |= uint32_t{utf8[i]} << (8 * i);
  if (length == 1) {
    unsigned char c = utf8[0];
    if (c == ',' || c == '"' || c == '\r' || c == '\n') entry |= CHAR_CSV;
    if (c == '"' || c == '\\' || c < 0x20) entry |= CHAR_JSON;
  }
  return entry;
}

// A code point below U+0800 as UTF-8.
uint32_t EntryOf(unsigned code) {
  unsigned char bytes[2];
  if (code < 0x80) {
    bytes[0] = static_cast<unsigned char>(code);
    return Entry(bytes, 1);
  }
  bytes[0] = static_cast<unsigned char>(0xC0 | code >> 6), bytes[1] = static_cast<unsigned char>(0x80 | (code & 0x3F));
  return Entry(bytes, 2);
}

void SetZones(CodePage* page, PageFamily family) {
  std::memset(page->zones, ZONE_BAD, sizeof page->zones);
  if (family == PAGE_EBCDIC) {
    for (int d = 0; d < 10; d++) {
      page->zones[0xF0 + d] = static_cast<uint8_t>(ZONE_DIGIT | d);
      page->zones[0xC0 + d] = static_cast<uint8_t>(ZONE_PLUS | d);
      page->zones[0xD0 + d] = static_cast<uint8_t>(ZONE_MINUS | d);
    }
    page->space = 0x40, page->plus = 0x4E, page->minus = 0x60;
    return;
  }
  // Converted data carries overpunched signs either as an EBCDIC page's
  // letters ({, A-I; }, J-R) or as the zone 7 of ASCII COBOL (p-y).
  for (int d = 0; d < 10; d++) {
    page->zones['0' + d] = static_cast<uint8_t>(ZONE_DIGIT | d);
    page->zones[d ? 'A' + d - 1 : '{'] = static_cast<uint8_t>(ZONE_PLUS | d);
    page->zones[d ? 'J' + d - 1 : '}'] = static_cast<uint8_t>(ZONE_MINUS | d);
    page->zones['p' + d] = static_cast<uint8_t>(ZONE_MINUS | d);
  }
  page->space = ' ', page->plus = '+', page->minus = '-';
}

}  // namespace

bool KnownCodePage(std::string_view name) { return FamilyOf(name) != PAGE_NONE; }

static void SetPlainBytes(CodePage* page) {
  for (unsigned b = 0; b < 256; b++) {
    uint32_t entry = page->chars[b];
    bool one = (entry >> CHAR_LENGTH_SHIFT & 3) == 1 && (entry & 0x80) == 0 && (entry & 0xFF) != 0;
    page->plain[0][b] = one && !(entry & (CHAR_CSV | CHAR_BAD)) ? static_cast<uint8_t>(entry) : 0;
    page->plain[1][b] = one && !(entry & (CHAR_JSON | CHAR_BAD)) ? static_cast<uint8_t>(entry) : 0;
  }
}

int LoadCodePage(std::string_view name) {
  CodePage* page = &DataCodePage;
  *page = CodePage{};
  PageFamily family = FamilyOf(name);
  SetZones(page, family);
  page->ebcdic = family == PAGE_EBCDIC;
  page->utf8 = family == PAGE_UTF8;
  if (family != PAGE_EBCDIC) {
    for (unsigned b = 0; b < 256; b++)
      page->chars[b] = b < 0x80 || family == PAGE_LATIN1 ? EntryOf(b)
                       : family == PAGE_UTF8                ? uint32_t{b} | 1u << CHAR_LENGTH_SHIFT
                                                            : CHAR_BAD | CHAR_JSON;
    SetPlainBytes(page);
    return 1;
  }
  std::string iconvName = "IBM" + Lower(name).substr(2);
  iconv_t converter = iconv_open("UTF-8", iconvName.c_str());
  if (converter == reinterpret_cast<iconv_t>(-1)) {
    std::printf("Code page '%.*s' is not available here\n", static_cast<int>(name.size()), name.data());
    return 0;
  }
  for (unsigned b = 0; b < 256; b++) {
    char in = static_cast<char>(b);
    unsigned char out[8];
    char* from = &in;
    char* to = reinterpret_cast<char*>(out);
    size_t inLeft = 1, outLeft = 4;
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    size_t made = iconv(converter, &from, &inLeft, &to, &outLeft);
    size_t length = 4 - outLeft;
    page->chars[b] = made == static_cast<size_t>(-1) || length == 0 || length > 3 ? CHAR_BAD | CHAR_JSON
                                                                                  : Entry(out, length);
  }
  iconv_close(converter);
  SetPlainBytes(page);
  return 1;
}
