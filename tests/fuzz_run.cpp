// libFuzzer target over the whole run: the first four input bytes choose the
// options (one bit reads as a compiler does, two the map's form, one a COPY
// folder of two members, one decodes), the rest is the copybook, which is
// parsed, laid out and written. A CSV map must have its header and eleven cells a row,
// a JSON map must parse, its strings well-formed UTF-8.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "driver/run.h"

namespace {

const char* const BINARY_SIZES[] = {nullptr, "1", "2", "8"};
const char* const CODE_AREAS[] = {nullptr, "1,80", "8,72", "1,11"};
const char* const OPTION_LETTERS = "fplrs";
const char* const PATTERNS[][2] = {
    {nullptr, nullptr}, {"-r", "*"}, {"-R", "?*B"}, {"-r", "A*-?"},
    {"-R", "******************************"}, {"-r", "*X"}, {"-R", "*"}, {"-r", "FILLER"}};
const char* const MAPS[] = {nullptr, "fuzz.map", "fuzz.csv", "fuzz.json"};
// COPY MEM. and COPY NEST. under --copy-path copy; NEST copies MEM.
const char* const MEMBERS[][2] = {
    {"copy/MEM.cpy", "       05 MEM-A PIC X(4).\n          88 MEM-Y VALUE 'Y'.\n"},
    {"copy/NEST.cpy", "       05 NEST-B PIC S9(4) COMP.\n       COPY MEM REPLACING ==MEM-A== BY ==NEST-A==.\n"}};

bool CsvIsWhole(const std::string& text) {
  const std::string header = "kind,level,name,format_name,offset,length,occurs,total,type,redefines,depending_on\r\n";
  if (text.compare(0, header.size(), header) != 0) return false;
  int cells = 1;
  bool quoted = false;  // a doubled quote inside a cell turns it off and on
  for (size_t i = header.size(); i < text.size(); i++) {
    if (text[i] == '"') quoted = !quoted;
    else if (quoted) continue;
    else if (text[i] == ',') cells++;
    else if (text[i] == '\n') return false;
    else if (text[i] != '\r') continue;
    else if (cells != 11 || text.compare(i++, 2, "\r\n") != 0) return false;
    else cells = 1;
  }
  return !quoted && cells == 1;
}

// JSON syntax, strings in well-formed UTF-8 decoded here on their own.
struct Json {
  const std::string& t;
  size_t i = 0;
  char At() const { return i < t.size() ? t[i] : '\0'; }
  void Space() { while (At() == ' ' || At() == '\n' || At() == '\r' || At() == '\t') i++; }
  bool Take(char c) { return At() == c && ++i; }
  bool Word(const char* word) { return t.compare(i, strlen(word), word) == 0 && (i += strlen(word)); }
  bool Utf8() {
    unsigned char lead = At();
    int more = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
    if (more < 0 || lead > 0xF4) return false;
    uint32_t code = lead & (0x3F >> more);
    for (int k = 0; k < more; k++, code = code << 6 | (t[i] & 0x3F))
      if (++i >= t.size() || (t[i] & 0xC0) != 0x80) return false;
    i++;
    const uint32_t least[] = {0, 0x80, 0x800, 0x10000};
    return code >= least[more] && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
  }
  bool String() {
    if (!Take('"')) return false;
    while (!Take('"')) {
      unsigned char c = At();
      if (i >= t.size() || c < 0x20) return false;
      if (c >= 0x80 && !Utf8()) return false;
      if (c >= 0x80) continue;
      if (!Take('\\')) {
        i++;
      } else if (Take('u')) {
        for (int k = 0; k < 4; k++, i++) if (!isxdigit(static_cast<unsigned char>(At()))) return false;
      } else if (!At() || !strchr("\"\\/bfnrt", At()) || !++i) {
        return false;
      }
    }
    return true;
  }
  bool Value() {
    Space();
    if (Take('{') || Take('[')) {
      char close = t[i - 1] == '{' ? '}' : ']';
      Space();
      if (Take(close)) return true;
      do {
        Space();
        if (close == '}' && !(String() && (Space(), Take(':')))) return false;
        if (!Value()) return false;
        Space();
      } while (Take(','));
      return Take(close);
    }
    if (At() == '"') return String();
    if (Word("true") || Word("false") || Word("null")) return true;
    size_t start = i;
    Take('-');
    while (isdigit(static_cast<unsigned char>(At()))) i++;
    return i > start && isdigit(static_cast<unsigned char>(t[i - 1]));
  }
};

bool JsonParses(const std::string& text) {
  Json json{text};
  bool ok = json.Value();
  json.Space();
  return ok && json.i == text.size();
}

}  // namespace

static std::string ScratchFolder;

// The decode bit (its lines on standard error: run with -close_fd_mask=2):
// a small layout of every kind of field, the input as its
// data, in one of the record formats and encodings.
static const char DECODE_LAYOUT[] =
    "       01  R.\n           05  N PIC 9.\n           05  T OCCURS 0 TO 3 DEPENDING ON N.\n"
    "               10  P PIC S9(3) COMP-3.\n               10  Z PIC S99.\n"
    "           05  X PIC X(3).\n           05  B PIC S9(4) COMP.\n           05  F COMP-1.\n"
    "           05  S PIC S9 SIGN LEADING SEPARATE.\n";
static const char* const DECODE_FORMATS[] = {"F", "V", "VB", "LINES"};
static const char* const DECODE_PAGES[] = {"cp037", "cp1140", "ascii", "utf-8"};

static void RunDecodeBit(const uint8_t* data, size_t size, uint8_t choice) {
  FILE* layout = std::fopen("decode.cpy", "wb");
  FILE* input = std::fopen("decode.bin", "wb");
  if (!layout || !input) return;
  std::fputs(DECODE_LAYOUT, layout);
  std::fclose(layout);
  std::fwrite(data, 1, size, input);
  std::fclose(input);
  std::vector<std::string> args = {"recforge", "-i", "decode.cpy", "-O", "o", "--decode", "decode.bin",
                                   "--to", choice & 0x40 ? "decode.jsonl" : "decode.csv",
                                   "--record-format", DECODE_FORMATS[choice & 3], "--encoding",
                                   DECODE_PAGES[(choice >> 2) & 3]};
  if (choice & 0x10) args.push_back("--variable-occurs");
  if (choice & 0x20) args.insert(args.end(), {"--rdw", "little"});
  if (choice & 0x80) args.insert(args.end(), {"--skip", "1", "--count", "2"});
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  RunRecforge(static_cast<int>(args.size()), argv.data());
  ResetRunState();
}

static void RemoveScratchFolder() {
  for (const char* name : {"fuzz.cpy", "fuzz.fmt", MAPS[1], MAPS[2], MAPS[3], MEMBERS[0][0], MEMBERS[1][0],
                           "copy", "decode.cpy", "decode.bin", "decode.csv", "decode.jsonl"})
    std::remove((ScratchFolder + "/" + name).c_str());
  rmdir(ScratchFolder.c_str());
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // A scratch folder of our own, on a memory file system when there is one.
  std::string folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  folder += "/recforge-fuzz-" + std::to_string(getpid());
  mkdir(folder.c_str(), 0700);
  ScratchFolder = folder;
  std::atexit(RemoveScratchFolder);
  if (chdir(folder.c_str()) != 0 || mkdir("copy", 0700) != 0) return 1;
  for (const auto& member : MEMBERS) std::ofstream(member[0]) << member[1];
  if (!std::freopen("/dev/null", "w", stdout) || !std::freopen("/dev/null", "r", stdin)) return 1;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  uint8_t choice[4] = {};
  if (size >= 4) std::memcpy(choice, data, 4), data += 4, size -= 4;
  FILE* copybook = std::fopen("fuzz.cpy", "wb");
  if (!copybook) return 0;
  std::fwrite(data, 1, size, copybook);
  std::fclose(copybook);

  std::vector<std::string> args = {"recforge"};
  auto add = [&](const char* option, const char* value) {
    if (value) args.insert(args.end(), {option, value});
  };
  add("-b", BINARY_SIZES[choice[0] & 3]);
  add("-c", CODE_AREAS[(choice[0] >> 2) & 3]);
  if (choice[0] & 0x10) add("-p", "A-");
  if (choice[0] & 0x20) args.push_back("--cobol");
  std::string letters = "o";
  for (int bit = 0; bit < 5; bit++)
    if (choice[1] & (1 << bit)) letters += OPTION_LETTERS[bit];
  add("-O", letters.c_str());
  std::string warnings = std::string(choice[2] & 1 ? "a" : "") + (choice[2] & 2 ? "r" : "");
  if (!warnings.empty()) add("-w", warnings.c_str());
  const char* map = MAPS[(choice[2] >> 2) & 3];
  add("--map", map);
  if (choice[2] & 0x10) add("--copy-path", "copy");
  add(PATTERNS[choice[3] & 7][0], PATTERNS[choice[3] & 7][1]);
  add(PATTERNS[(choice[3] >> 3) & 7][0], PATTERNS[(choice[3] >> 3) & 7][1]);
  add("-i", "fuzz.cpy");
  add("-o", "fuzz.fmt");

  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  if (map) std::remove(map);
  int status = RunRecforge(static_cast<int>(args.size()), argv.data());
  ResetRunState();
  if (status == 0 && (map == MAPS[2] || map == MAPS[3])) {
    std::ostringstream text;
    text << std::ifstream(map, std::ios::binary).rdbuf();
    if (map == MAPS[2] ? !CsvIsWhole(text.str()) : !JsonParses(text.str())) {
      std::fprintf(stderr, "broken map %s:\n%s\n", map, text.str().c_str());
      std::abort();
    }
  }
  // The bit 0x40 of the third byte: the rest is data for the decode bit.
  if (choice[2] & 0x40) RunDecodeBit(data, size, choice[3]);
  return 0;
}
