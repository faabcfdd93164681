// The trap: an internal inconsistency is written to the trap file, then
// the program breaks into the debugger (or ends, when none is attached).
#include <csignal>
#include <cstdio>
#include <cstring>

#include "cs/cs.h"

const char* const CSTrapFileName = "/tmp/cstrap.txt";

static const char* SourceBaseName(const char* path) {
  const char* slash = std::strrchr(path, '/');
  return slash ? slash + 1 : path;
}

void CSTrap(int32_t site, int32_t value) {
  if (FILE* trapFile = std::fopen(CSTrapFileName, "w")) {
    std::fprintf(trapFile, "cstrap line %d file %s (%s) value %d\n", site,
                 SourceBaseName(__FILE__), __TIMESTAMP__, value);
    std::fclose(trapFile);
  }
  std::raise(SIGTRAP);
}
