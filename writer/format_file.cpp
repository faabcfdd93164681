// The writing step: the overwrite question, the format file and the summary.
#include <sys/stat.h>

#include <cstdio>

#include "driver/settings.h"
#include "writer/output_file.h"
#include "writer/writer.h"

static const char* Plural(int32_t count) { return count == 1 ? "" : "s"; }

bool IsRegularFile(const std::string& name) {
  struct stat status;
  return stat(name.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

// Only an answer line beginning with y or Y replaces an existing file.
static bool MayOverwrite() {
  if (OptionFlags & OPT_NO_OVERWRITE_PROMPT) return true;
  FILE* probe = IsRegularFile(OutputFileName) ? std::fopen(OutputFileName.c_str(), "r") : nullptr;
  if (!probe) return true;
  std::printf("File '%s' already exists, do you want to overwrite?\n", OutputFileName.c_str());
  std::fflush(stdout);
  int first = std::getchar();
  for (int c = first; c != '\n' && c != EOF;) c = std::getchar();  // the whole line
  std::fclose(probe);
  if (first == 'y' || first == 'Y') return true;
  std::printf("Cancelled by user\n");
  return false;
}

static void WriteBlocks(TextOut* out, int32_t* enumCount, int32_t* structCount) {
  FillerRedefineNumber = 1;
  RedefinitionsUsed = 0;
  PaddingNumbers.clear();
  for (StructNode* s = StructureList; s; s = s->next) WriteEnumerations(out, s, enumCount);
  for (StructNode* s = StructureList; s; s = s->next, (*structCount)++) WriteStructure(out, s);
}

int WriteFormatFile() {
  if (!StructureList) {
    std::printf("No definitions found\n");
    return 0;
  }
  const char* name = OutputFileName.c_str();
  if (!MayOverwrite()) return 0;
  static OutputFile file;
  if (!OpenOutputFile(&file, OutputFileName)) return 0;
  int32_t enumCount = 0, structCount = 0;
  WriteBlocks(file.text, &enumCount, &structCount);
  if (!FinishOutputFile(&file)) return 0;
  std::printf("recforge wrote %d enum definition%s to '%s'\n", enumCount, Plural(enumCount), name);
  std::printf("recforge used %d redefined field%s in place of original fields\n",
              RedefinitionsUsed, Plural(RedefinitionsUsed));
  std::printf("recforge wrote %d structure%s to '%s'\n", structCount, Plural(structCount), name);
  return 1;
}
