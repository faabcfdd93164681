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

static void RemoveScratchFolder() {
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
  return 0;
}
