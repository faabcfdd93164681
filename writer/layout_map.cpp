// The layout map (--map): its form by the file's type, the check before
// the format file is written, and the writing after it.
#include <cstdio>

#include "driver/settings.h"
#include "writer/map_rows.h"
#include "writer/output_file.h"
#include "writer/writer.h"

namespace {

enum MapForm : int32_t { MAP_TEXT = 0, MAP_CSV = 1, MAP_JSON = 2 };

MapForm FormOfName(std::string_view name) {
  size_t dot = name.rfind('.'), separator = name.find_last_of("/\\");  // the file part's type
  bool typed = dot != std::string_view::npos && (separator == std::string_view::npos || separator < dot);
  std::string_view type = typed ? name.substr(dot) : std::string_view();
  if (type == ".json") return MAP_JSON;
  if (type == ".csv") return MAP_CSV;
  return MAP_TEXT;
}

bool IsStandardOutput() { return MapFileName == "-"; }

}  // namespace

int PrepareLayoutMap() {
  const char* name = MapFileName.c_str();
  if (!IsStandardOutput()) {
    if (SameFile(MapFileName, OutputFileName)) {
      std::printf("Map file '%s' is the output file\n", name);
      return 0;
    }
    // Found unwritable before the format file is written, so that the run
    // leaves neither file.
    if (!CheckOutputFile(MapFileName)) return 0;
  }
  return 1;
}

int WriteLayoutMap() {
  static OutputFile file;
  static MapOutput out;
  for (TypeCache& cache : out.types) cache.filled = false;
  if (IsStandardOutput())
    OpenStandardOutput(&file);
  else if (!OpenOutputFile(&file, MapFileName))
    return 0;
  out.text = file.text;
  switch (IsStandardOutput() ? MAP_TEXT : FormOfName(MapFileName)) {
    case MAP_TEXT: WriteMapText(out); break;
    case MAP_CSV: WriteMapCsv(out); break;
    case MAP_JSON: WriteMapJson(out); break;
  }
  if (FinishOutputFile(&file)) return 1;
  if (IsStandardOutput()) std::fprintf(stderr, "Error writing the map to standard output\n");
  return 0;
}
