// libFuzzer target over the whole run: the first four input bytes choose the
// options (one bit reads as a compiler does), the rest is the copybook, which is parsed, laid out and written.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <cstring>
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
  for (const char* name : {"/decode.cpy", "/decode.bin", "/decode.csv", "/decode.jsonl"})
    std::remove((ScratchFolder + name).c_str());
  std::remove((ScratchFolder + "/fuzz.cpy").c_str());
  std::remove((ScratchFolder + "/fuzz.fmt").c_str());
  rmdir(ScratchFolder.c_str());
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // A scratch folder of our own, on a memory file system when there is one.
  std::string folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  folder += "/recforge-fuzz-" + std::to_string(getpid());
  mkdir(folder.c_str(), 0700);
  ScratchFolder = folder;
  std::atexit(RemoveScratchFolder);
  if (chdir(folder.c_str()) != 0) return 1;
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
  add(PATTERNS[choice[3] & 7][0], PATTERNS[choice[3] & 7][1]);
  add(PATTERNS[(choice[3] >> 3) & 7][0], PATTERNS[(choice[3] >> 3) & 7][1]);
  add("-i", "fuzz.cpy");
  add("-o", "fuzz.fmt");

  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  RunRecforge(static_cast<int>(args.size()), argv.data());
  ResetRunState();
  // The bit 0x40 of the third byte: the rest is data for the decode bit.
  if (choice[2] & 0x40) RunDecodeBit(data, size, choice[3]);
  return 0;
}
