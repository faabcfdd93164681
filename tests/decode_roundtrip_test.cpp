// Round trip of --decode against a COBOL compiler. A program compiled by
// cobc COPYs a random copybook, moves known values into every elementary
// field and writes fixed records; recforge decodes the file and every value
// must come back. cobc writes display data in ASCII (zoned signs in the
// convention -fsign chooses), binary big-endian, but COMP-1/COMP-2 as the
// machine's little-endian IEEE: the test turns those bytes around before
// decoding as IEEE. The same records made EBCDIC field by field (cp037
// characters and zones, IBM hexadecimal floats) must decode alike.
// Hand-written IBM floats and each EBCDIC code page against glibc's iconv
// complete it.
#include <iconv.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/text_files.h"

std::string RandomCopybook(unsigned seed, bool cobol);

namespace {

namespace fs = std::filesystem;

constexpr int RECORDS = 3;

// A JSON value: members of an object or array (an array's keys empty), or
// a scalar's text (a string unescaped, kind 's'; else kind 'n').
struct Json {
  char kind = 'n';
  std::string text;
  std::vector<std::pair<std::string, Json>> members;
};

size_t Skip(const std::string& s, size_t at) {
  while (at < s.size() && isspace(static_cast<unsigned char>(s[at]))) at++;
  return at;
}

// Reads the value at `at` into value; returns the position after it.
size_t ParseJson(const std::string& s, size_t at, Json& value) {
  at = Skip(s, at);
  char open = at < s.size() ? s[at] : ']';
  if (open == '{' || open == '[') {
    value.kind = open;
    for (at = Skip(s, at + 1); at < s.size() && s[at] != (open == '{' ? '}' : ']');) {
      Json key;
      if (open == '{') at = Skip(s, ParseJson(s, at, key)) + 1;  // past the colon
      value.members.emplace_back(key.text, Json());
      at = Skip(s, ParseJson(s, at, value.members.back().second));
      if (at < s.size() && s[at] == ',') at++;
    }
    return at + 1;
  }
  if (open != '"') {
    size_t end = std::min(s.find_first_of(",]} \r\n", at), s.size());
    value.text = s.substr(at, end - at);
    return end;
  }
  value.kind = 's';
  for (at++; at < s.size() && s[at] != '"'; at++) {
    char c = s[at] == '\\' ? s[++at] : 0;
    if (!c) {
      value.text += s[at];
    } else if (c == 'u') {  // only control characters are written so
      value.text += static_cast<char>(std::stoul(s.substr(at + 1, 4), nullptr, 16));
      at += 4;
    } else {
      value.text += c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c == 'b' ? '\b' : c == 'f' ? '\f' : c;
    }
  }
  return at + 1;
}

const Json& Member(const Json& object, const std::string& key) {
  static const Json none;
  for (auto& [name, value] : object.members)
    if (name == key) return value;
  return none;
}

// A decoded record's scalars by CSV column: the member's key and the
// 1-based indexes of the arrays around it; a null as "<null>".
void Flatten(const Json& value, const std::string& key, const std::string& indexes,
             std::map<std::string, std::string>& cells) {
  for (size_t i = 0; i < value.members.size(); i++)
    if (value.kind == '{')
      Flatten(value.members[i].second, value.members[i].first, indexes, cells);
    else
      Flatten(value.members[i].second, key, indexes + "_" + std::to_string(i + 1), cells);
  if (value.kind == 's' || value.kind == 'n')
    cells[key + indexes] = value.kind == 'n' && value.text == "null" ? "<null>" : value.text;
}

// Every row of a CSV or JSON Lines output as column -> text; CSV rows are
// read under the header's names.
std::vector<std::map<std::string, std::string>> ReadDecoded(const fs::path& path) {
  std::vector<std::map<std::string, std::string>> records;
  std::string text = ReadAll(path);
  if (path.extension() == ".jsonl") {
    for (size_t at = Skip(text, 0); at < text.size(); at = Skip(text, at)) {
      Json line;
      at = ParseJson(text, at, line);
      Flatten(line, "", "", records.emplace_back());
    }
    return records;
  }
  std::vector<std::vector<std::string>> rows = CsvRows(text);
  for (size_t row = 1; row < rows.size(); row++) {
    std::map<std::string, std::string>& record = records.emplace_back();
    for (size_t cell = 0; cell < rows[0].size(); cell++)
      record[rows[0][cell]] = cell < rows[row].size() ? rows[row][cell] : "<missing>";
  }
  return records;
}

// An elementary field as the map places it and its picture defines it.
struct Field {
  std::string name, column, type;                  // COBOL name, format name, map type
  int64_t offset, length;                          // of the first occurrence
  std::vector<std::pair<int64_t, int64_t>> dims;   // count and stride, outermost first
  char kind;                                       // x chars, z zoned, p packed, b binary, f floating
  int digits = 0, scale = 0, zeros = 0;            // before and after V, P positions
  bool isSigned = false;
};

// The fields decoded by default (no FILLER, REDEFINES originals);
// copybook: the copybook's words one space apart, for the pictures.
void Collect(const Json& entry, const std::string& copybook, std::vector<Field>& fields) {
  if (Member(entry, "redefines").kind == 's') return;
  for (auto& child : Member(entry, "children").members) Collect(child.second, copybook, fields);
  if (Member(entry, "kind").text != "field" || Member(entry, "name").text == "FILLER") return;
  Field f{Member(entry, "name").text, Member(entry, "format_name").text, Member(entry, "type").text,
          std::stoll(Member(entry, "offset").text), std::stoll(Member(entry, "length").text), {}, 'b'};
  for (auto& dim : Member(entry, "occurs").members)
    f.dims.emplace_back(std::stoll(Member(dim.second, "count").text), std::stoll(Member(dim.second, "stride").text));
  std::smatch pic;
  std::regex picture(" " + f.name + " PIC (S?)(9|X)(?:\\((\\d+)\\))?(?:V9\\((\\d+)\\))?(?:P\\((\\d+)\\))?");
  if (std::regex_search(copybook, pic, picture)) {
    f.isSigned = pic[1].length(), f.digits = pic[3].matched ? std::stoi(pic[3]) : 1;
    f.scale = pic[4].matched ? std::stoi(pic[4]) : 0, f.zeros = pic[5].matched ? std::stoi(pic[5]) : 0;
  }
  if (f.type == "float" || f.type == "double") f.kind = 'f';
  else if (f.type.find("packed") != std::string::npos) f.kind = 'p';
  else if (f.type == "char") f.kind = pic[2] == "9" ? 'z' : 'x';
  else if (f.type.find("digits") == 0 || f.type.find("opunch") == 0) f.kind = 'z';
  fields.push_back(f);
}

// Offsets (from the record's start) and column names of every occurrence.
std::vector<std::pair<int64_t, std::string>> Occurrences(const Field& f) {
  std::vector<std::pair<int64_t, std::string>> all = {{f.offset, f.column}};
  for (auto& [count, stride] : f.dims) {
    std::vector<std::pair<int64_t, std::string>> next;
    for (auto& [offset, column] : all)
      for (int64_t i = 0; i < count; i++) next.emplace_back(offset + i * stride, column + "_" + std::to_string(i + 1));
    all = next;
  }
  return all;
}

// The value moved into a field: random digits (all nines in the last
// record), negative after the first record when signed; exact binary
// fractions for floating fields; characters that CSV must quote too.
std::string Value(const Field& f, int record, std::mt19937& random) {
  static const std::string CHARS = "ABCXYZabcxyz0189 ,.-+*/$#@%&()\"=;:<>?_";
  std::string text;
  if (f.kind == 'x') {
    for (int64_t n = 1 + random() % f.length; n > 0; n--) text += CHARS[random() % CHARS.size()];
    return text;
  }
  if (f.kind == 'f') return std::to_string((static_cast<int>(random() % 32768) - 16384) / 8.0);
  for (int i = 0; i < f.digits + f.scale; i++) text += static_cast<char>(record == 2 ? '9' : '0' + random() % 10);
  if (f.scale) text.insert(f.digits, ".");
  return (f.isSigned && record > 0 ? "-" : "") + text + std::string(f.zeros, '0');
}

// What the decoder writes for a value moved: characters without trailing
// spaces; a decimal without leading zeros (one kept before the point), with
// every scale digit, no sign on zero. Floating values are compared as numbers.
std::string Decoded(char kind, std::string text) {
  if (kind == 'x') return text.substr(0, text.find_last_not_of(' ') + 1);
  if (kind == 'f') return text;
  bool minus = text[0] == '-';
  size_t first = minus, whole = std::min(text.find('.'), text.size());
  while (first + 1 < whole && text[first] == '0') first++;
  text.erase(0, first);
  return (minus && text.find_first_not_of("0.") != std::string::npos ? "-" : "") + text;
}

// Text that reads back as exactly this double.
bool SameDouble(const std::string& got, double want) {
  char* end = nullptr;
  return !got.empty() && std::strtod(got.c_str(), &end) == want && *end == 0;
}

// Bytes through glibc's iconv; false when a byte has no conversion.
bool Convert(const char* to, const char* from, std::string in, std::string* out) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  out->assign(in.size() * 4, '\0');
  char *inAt = in.data(), *outAt = out->data();
  size_t inLeft = in.size(), outLeft = out->size();
  bool ok = iconv(cd, &inAt, &inLeft, &outAt, &outLeft) != static_cast<size_t>(-1);
  iconv_close(cd);
  out->resize(out->size() - outLeft);
  return ok;
}

// IBM hexadecimal floating point of a value its fraction holds exactly.
std::string IbmFloat(double value, size_t size) {
  std::string bytes(size, '\0');
  int exponent = 64;
  double fraction = std::fabs(value);
  for (; fraction >= 1; fraction /= 16) exponent++;
  for (; fraction != 0 && fraction < 1.0 / 16; fraction *= 16) exponent--;
  auto bits = static_cast<uint64_t>(std::ldexp(fraction, 8 * static_cast<int>(size) - 8));
  for (size_t i = size - 1; i > 0; i--, bits >>= 8) bytes[i] = static_cast<char>(bits & 0xFF);
  if (value != 0) bytes[0] = static_cast<char>((value < 0 ? 0x80 : 0) | exponent);
  return bytes;
}

// One field's bytes as the decoder reads them: floats big-endian IEEE, or,
// for EBCDIC, IBM floats and characters and zones through cp037, an
// overpunched sign in ASCII's convention set as zone C or D.
std::string Transform(const Field& f, std::string bytes, bool ebcdic) {
  if (f.kind == 'f') {
    double value = 0;
    if (f.length == 4) { float single; memcpy(&single, bytes.data(), 4); value = single; }
    else memcpy(&value, bytes.data(), 8);
    return ebcdic ? IbmFloat(value, f.length) : std::string(bytes.rbegin(), bytes.rend());
  }
  if (!ebcdic || f.kind == 'p' || f.kind == 'b') return bytes;
  std::string out;
  EXPECT_TRUE(Convert("IBM037", "ISO-8859-1", bytes, &out)) << f.name;
  size_t sign = f.type.find("signleft") != std::string::npos ? 0 : bytes.size() - 1;
  unsigned char c = bytes[sign];
  if (f.type.find("opunch") == 0 && (std::isdigit(c) || (c >= 'p' && c <= 'y')))
    out[sign] = static_cast<char>((c >= 'p' ? 0xD0 : 0xC0) | (c & 0x0F));
  return out;
}

// A recforge run; its messages when it fails.
std::string Recforge(const fs::path& work, const std::string& arguments) {
  std::string command = "cd " + work.string() + " && " RECFORGE_BINARY " " + arguments + " > run.txt 2>&1";
  return std::system(command.c_str()) == 0 ? "" : "recforge " + arguments + ":\n" + ReadAll(work / "run.txt").substr(0, 300);
}

fs::path WorkFolder() {
  char pattern[] = "/tmp/recforge-decode-XXXXXX";
  EXPECT_NE(mkdtemp(pattern), nullptr);
  return pattern;
}

// A value moved into one occurrence of a field: its column and the text
// the decoder must write.
struct Moved {
  std::string column, text;
  char kind;
};

// Faults: an offset, a table stride or an occurrence's column off; a zoned
// sign in either ASCII convention or an EBCDIC zone misread; packed or
// big-endian binary digits, V and P scale, IEEE or IBM floats decoded
// wrong; characters not through the code page, trailing spaces kept, CSV
// quotes or JSON escapes broken; a REDEFINES alternative decoded in place
// of its original; groups and tables nested wrong in JSON.
class DecodeRoundTrip : public testing::TestWithParam<unsigned> {};

TEST_P(DecodeRoundTrip, ValuesComeBack) {
  ASSERT_EQ(std::system("command -v cobc >/dev/null"), 0) << "cobc is not installed";
  unsigned seed = GetParam();
  fs::path work = WorkFolder();
  std::string text = RandomCopybook(seed, seed % 3 == 0);
  std::ofstream(work / "rec.cpy") << text;
  SCOPED_TRACE(work.string() + "\n" + text);
  // The binary size schemes of the cross-check, and both zoned sign conventions.
  std::string scheme = seed % 3 == 0 ? "--cobol" : "-b " + std::to_string(seed % 3);
  std::string cobc = std::string("cobc -x -std=ibm -fbinary-size=") + (seed % 3 == 1 ? "1-2-4-8" : "2-4-8") +
                     (seed % 2 ? " -fsign=EBCDIC" : " -fsign=ASCII");
  ASSERT_EQ(Recforge(work, "-Oo -i rec.cpy -o rec.fmt --map map.json " + scheme), "");
  Json map;
  ParseJson(ReadAll(work / "map.json"), 0, map);
  std::vector<Field> fields;
  std::string words = std::regex_replace(text, std::regex("\\s+"), " ");
  for (auto& record : Member(map, "fields").members) Collect(record.second, words, fields);
  int64_t length = std::stoll(Member(map, "length").text);
  std::string record = Member(Member(map, "fields").members.at(0).second, "name").text;

  std::mt19937 random(seed);
  std::vector<std::vector<Moved>> want(RECORDS);
  std::string program =
      "       IDENTIFICATION DIVISION.\n       PROGRAM-ID. WRITER.\n       ENVIRONMENT DIVISION.\n"
      "       INPUT-OUTPUT SECTION.\n       FILE-CONTROL.\n"
      "           SELECT OUT-FILE ASSIGN TO \"data.bin\" ORGANIZATION SEQUENTIAL.\n"
      "       DATA DIVISION.\n       FILE SECTION.\n       FD OUT-FILE.\n       01 OUT-REC PIC X(" +
      std::to_string(length) + ").\n       WORKING-STORAGE SECTION.\n       COPY \"rec.cpy\".\n"
      "       PROCEDURE DIVISION.\n           OPEN OUTPUT OUT-FILE\n";
  for (int r = 0; r < RECORDS; r++) {
    for (const Field& f : fields)
      for (auto& [offset, column] : Occurrences(f)) {
        std::string value = Value(f, r, random), subscripts = column.substr(f.column.size());
        std::replace(subscripts.begin(), subscripts.end(), '_', ' ');
        program += "           MOVE " + (f.kind == 'x' ? "'" + value + "'" : value) + " TO " + f.name +
                   (subscripts.empty() ? "" : " (" + subscripts.substr(1) + ")") + "\n";
        want[r].push_back({column, Decoded(f.kind, value), f.kind});
      }
    program += "           WRITE OUT-REC FROM " + record + "\n";
  }
  std::ofstream(work / "writer.cbl") << program << "           CLOSE OUT-FILE\n           STOP RUN.\n";
  ASSERT_EQ(std::system(("cd " + work.string() + " && " + cobc + " writer.cbl > cobc.txt 2>&1 && ./writer").c_str()), 0)
      << ReadAll(work / "cobc.txt");

  // Fixed records back to back, no separators.
  std::string data = ReadAll(work / "data.bin");
  ASSERT_EQ(data.size(), static_cast<size_t>(length * RECORDS));
  std::string ascii = data, ebcdic = data;
  for (int r = 0; r < RECORDS; r++)
    for (const Field& f : fields)
      for (auto& [offset, column] : Occurrences(f)) {
        std::string bytes = data.substr(r * length + offset, f.length);
        ascii.replace(r * length + offset, f.length, Transform(f, bytes, false));
        ebcdic.replace(r * length + offset, f.length, Transform(f, bytes, true));
      }
  std::ofstream(work / "data.asc", std::ios::binary) << ascii;
  std::ofstream(work / "data.ebc", std::ios::binary) << ebcdic;
  for (std::string run : {"data.asc --encoding ascii --to out.csv", "data.asc --encoding ascii --to out.jsonl",
                          "data.ebc --encoding cp037 --to ebcdic.csv"}) {
    ASSERT_EQ(Recforge(work, "-i rec.cpy " + scheme + " --decode " + run), "");
    std::vector<std::map<std::string, std::string>> got = ReadDecoded(work / run.substr(run.rfind(' ') + 1));
    ASSERT_EQ(got.size(), static_cast<size_t>(RECORDS)) << run;
    for (int r = 0; r < RECORDS; r++) {
      EXPECT_EQ(got[r].size(), want[r].size()) << run << ", record " << r + 1 << ": columns";
      for (const Moved& moved : want[r]) {
        auto cell = got[r].find(moved.column);
        EXPECT_TRUE(cell != got[r].end() && (moved.kind == 'f' ? SameDouble(cell->second, std::stod(moved.text))
                                                                 : cell->second == moved.text))
            << run << ", record " << r + 1 << ", " << moved.column << ": want " << moved.text << ", got "
            << (cell == got[r].end() ? "no column" : cell->second);
      }
    }
  }
  if (!HasFailure()) fs::remove_all(work);
}

INSTANTIATE_TEST_SUITE_P(Random, DecodeRoundTrip, testing::Range(1u, 11u));

// IBM hexadecimal floats written by hand, each value worked out from its
// fraction and power of 16 (a long double holds it exactly). Faults: a
// wrong exponent bias or fraction width, an unnormalised fraction read as
// normalised, COMP-1 taken through an IEEE single (its largest and smallest
// are out of the single's range). The decoder writes the double its bytes
// round to, so the text must read back as the exact value rounded once to
// double. NAN: bytes invalid for the type, an empty cell or null.
TEST(DecodeHandWritten, IbmFloatsAndInvalidBytes) {
  struct Case { const char* clause; const char* hex; long double value; };
  const Case cases[] = {
      {"COMP-1", "41100000", 1},
      {"COMP-1", "C276A000", -118.625L},
      {"COMP-1", "4019999A", std::ldexp(0x19999AL, -24)},
      {"COMP-1", "7FFFFFFF", std::ldexp(0xFFFFFFL, 228)},  // (1 - 16^-6) 16^63, past IEEE single
      {"COMP-1", "00100000", std::ldexp(1.0L, -260)},       // 16^-65, below IEEE single
      {"COMP-1", "41010000", 0.0625L},                      // not normalised
      {"COMP-1", "00000000", 0},
      {"COMP-2", "4110000000000000", 1},
      {"COMP-2", "C276A00000000000", -118.625L},
      {"COMP-2", "401999999999999A", std::ldexp(0x1999999999999AL, -56)},
      {"COMP-2", "7FFFFFFFFFFFFFFF", std::ldexp(static_cast<long double>(0xFFFFFFFFFFFFFFULL), 196)},
      {"COMP-2", "0010000000000000", std::ldexp(1.0L, -260)},
      {"PIC S9(3) COMP-3", "1A3C", NAN},  // a digit nibble past 9
  };
  fs::path work = WorkFolder();
  std::string copybook = "       01 HAND.\n", data;
  for (size_t i = 0; i < std::size(cases); i++) {
    copybook += "         05 V" + std::to_string(i + 1) + " " + cases[i].clause + ".\n";
    for (const char* at = cases[i].hex; *at; at += 2) data += static_cast<char>(std::stoi(std::string(at, 2), nullptr, 16));
  }
  std::ofstream(work / "hand.cpy") << copybook;
  std::ofstream(work / "hand.bin", std::ios::binary) << data;
  for (const char* to : {"hand.csv", "hand.jsonl"}) {
    ASSERT_EQ(Recforge(work, std::string("-i hand.cpy --decode hand.bin --floats ibm --to ") + to), "");
    std::vector<std::map<std::string, std::string>> got = ReadDecoded(work / to);
    ASSERT_EQ(got.size(), 1u) << to;
    for (size_t i = 0; i < std::size(cases); i++) {
      const Case& c = cases[i];
      std::string text = got[0]["V" + std::to_string(i + 1)];
      if (std::isnan(c.value))
        EXPECT_EQ(text, strcmp(to, "hand.csv") ? "<null>" : "") << to << " " << c.hex;
      else
        EXPECT_TRUE(SameDouble(text, static_cast<double>(c.value)))
            << to << " " << c.clause << " " << c.hex << ": want " << static_cast<double>(c.value) << ", got " << text;
    }
  }
  if (!HasFailure()) fs::remove_all(work);
}

// Each EBCDIC code page: the rows 0x40 to 0xF0 of its table, one PIC X(16)
// record a row, against iconv's conversion to UTF-8 (trailing spaces
// dropped). Faults: a page's name taken to another table, a character's
// UTF-8 bytes cut, leading spaces dropped, quotes and commas not quoted.
// Bytes iconv leaves unassigned (IBM875 has some) skip their row.
TEST(DecodeCodePages, RowsMatchIconv) {
  const char* const PAGES[] = {"037",  "1047", "500",  "273",  "277",  "278",  "280",  "284",
                               "285",  "297",  "871",  "875",  "1140", "1141", "1142", "1143",
                               "1144", "1145", "1146", "1147", "1148", "1149"};
  fs::path work = WorkFolder();
  std::ofstream(work / "row.cpy") << "       01 ROW.\n         05 CHARS PIC X(16).\n";
  std::string data;
  for (int c = 0x40; c < 0x100; c++) data += static_cast<char>(c);
  std::ofstream(work / "rows.bin", std::ios::binary) << data;
  for (const char* page : PAGES) {
    ASSERT_EQ(Recforge(work, std::string("-i row.cpy --decode rows.bin --to rows.csv --encoding cp") + page), "");
    std::vector<std::map<std::string, std::string>> got = ReadDecoded(work / "rows.csv");
    ASSERT_EQ(got.size(), data.size() / 16) << page;
    for (size_t row = 0; row < got.size(); row++) {
      std::string want;
      if (!Convert("UTF-8", ("IBM" + std::string(page)).c_str(), data.substr(row * 16, 16), &want)) continue;
      EXPECT_EQ(got[row]["CHARS"], want.substr(0, want.find_last_not_of(' ') + 1))
          << "cp" << page << " row " << std::hex << 0x40 + row * 16;
    }
  }
  if (!HasFailure()) fs::remove_all(work);
}

}  // namespace
