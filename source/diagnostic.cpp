#include "source/diagnostic.h"

#include <cstdio>

int ReportAtLineV(const SourceLine* line, int64_t offset, const char* format, va_list arguments) {
  if (line)
    std::printf("At offset %d on line %d of file '%s' ", static_cast<int>(offset), line->number,
                line->file->path);
  else
    std::printf("Unknown location:");
  std::vprintf(format, arguments);
  return 0;
}

int ReportAtLine(const SourceLine* line, int64_t offset, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  ReportAtLineV(line, offset, format, arguments);
  va_end(arguments);
  return 0;
}
