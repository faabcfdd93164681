// One run of the converter: banner, options, names, loading, processing and
// writing, in that order; the first failure ends the run.
#include "driver/run.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string_view>

#include "decoder/decode.h"
#include "cs/cs.h"
#include "driver/options.h"
#include "driver/settings.h"
#include "layout/structure.h"
#include "source/cobol_source.h"
#include "source/source_file.h"
#include "writer/writer.h"

static constexpr const char* VERSION = "1.0.1";
static constexpr std::string_view FILE_TYPES[] = {".cpy", ".cbl", ".cob", ".ccp"};

static void PrintBanner() {
  std::printf("recforge Version:%s (%d Bit) Build Date:%s\n", VERSION,
              static_cast<int>(sizeof(void*) * 8), __DATE__);
  std::printf("  Copyright (c) 2024-2026 the recforge authors. See README.md.\n\n");
}

static int Refuse(const char* message) {
  std::fputs(message, stdout);
  PrintUsage();
  return 0;
}

// Writing over a copybook being converted would lose it: 0 after the
// message that says so when the output is one of the files read.
static int CheckNotInputFile(const std::string& name, const char* what) {
  struct stat output, input;
  if (stat(name.c_str(), &output) != 0) return 1;
  for (SourceFile* file = SourceFiles; file; file = file->next)
    if (stat(file->path, &input) == 0 && input.st_dev == output.st_dev && input.st_ino == output.st_ino) {
      std::printf("%s file '%s' is the input file\n", what, name.c_str());
      return 0;
    }
  return 1;
}

// The file type runs from the first '.' of the input's file part.
static int CheckFileType() {
  std::string_view file = SplitPath(InputFileName).file;
  size_t dot = file.find('.');
  if (dot == std::string_view::npos)
    return Refuse("Please include file type in input file name.\n\n");
  for (std::string_view type : FILE_TYPES)
    if (file.substr(dot) == type) return 1;
  return Refuse("Input file type is not supported.\n\n");
}

static void DeriveNames() {
  if (StructureName.empty()) {
    std::string_view file = SplitPath(InputFileName).file;
    StructureName = file.substr(0, file.find('.'));
  }
  if (OutputFileName.empty()) OutputFileName = StructureName;
  if (SplitPath(OutputFileName).file.find('.') == std::string_view::npos)
    OutputFileName += ".fmt";
}

// Whether the decoded rows go to standard output: --decode with --to - or
// without --to.
static bool DecodesToStandardOutput(int argc, char** argv) {
  bool decode = false;
  std::string_view to;
  for (int i = 1; i < argc; i++) {
    std::string_view word = argv[i];
    if (word == "--decode" || word.rfind("--decode=", 0) == 0) decode = true;
    if (word == "--to" && i + 1 < argc) to = argv[i + 1];
    if (word.rfind("--to=", 0) == 0) to = word.substr(5);
  }
  return decode && (to.empty() || to == "-");
}

static int Run(int argc, char** argv) {
  PrintBanner();
  for (int letter; (letter = GetOption(argc, argv)) != OPTION_END;)
    if (!ApplyOption(letter)) return 1;
  ChooseDialect();
  if (OptionIndex < argc) {
    std::fprintf(stderr, "Unrecognised parameter '%s'\n\n", argv[OptionIndex]);
    PrintUsage();
    return 1;
  }
  if (InputFileName.empty()) {
    Refuse("Please specify a language input file with -i parameter.\n\n");
    return 1;
  }
  if (DecodeFileName.empty() && DecodeOptionGiven) {
    std::printf("Option '%s' needs --decode\n", DecodeOptionGiven);
    return 1;
  }
  if (!CheckFileType()) return 1;
  // Decoding writes the format file only when -o names it.
  bool decode = !DecodeFileName.empty(), formatFile = !decode || !OutputFileName.empty();
  DeriveNames();

  SourceFile* file = LoadSourceFile(InputFileName);
  if (!file) return 1;
  if (CurrentDialect->readsReferenceFormat && !(file = ExpandCobolSource(file))) return 1;
  if (!ProcessCopybook(file)) return 1;
  bool map = !MapFileName.empty();
  if (map && MapFileName != "-" && !CheckNotInputFile(MapFileName, "Map")) return 1;
  if (map && !PrepareLayoutMap()) return 1;
  if (formatFile && StructureList && !CheckNotInputFile(OutputFileName, "Output")) return 1;
  if (formatFile && !WriteFormatFile()) return 1;
  if (map && !WriteLayoutMap()) return 1;
  if (!decode) return 0;
  if (!DecodeOutputName.empty() && DecodeOutputName != "-" && !CheckNotInputFile(DecodeOutputName, "Decoded output"))
    return 1;
  return DecodeData() ? 0 : 1;
}

int RunRecforge(int argc, char** argv) {
  ResetSettings();
  // Rows on standard output: the run's messages go to standard error.
  int rows = -1;
  if (DecodesToStandardOutput(argc, argv)) {
    std::fflush(stdout);
    rows = dup(1);
    if (rows >= 0) dup2(2, 1), DecodedOutputFd = rows;
  }
  int status = Run(argc, argv);
  if (rows >= 0) {
    std::fflush(stdout);
    dup2(rows, 1);
    close(rows);
    DecodedOutputFd = 1;
  }
  return status;
}

void ResetRunState() {
  ResetSourceFiles();
  ResetLayout();
  ResetOptionScanner();
  ResetSettings();
  CSFreeAllMem();
}
