// The layout map as CSV: a header and one line a row, CR LF ended.
#include <algorithm>

#include "writer/map_rows.h"

namespace {

// A cell is quoted only when it holds a comma, a quote or a line break.
void PutCsvCell(MapOutput& out, std::string_view cell, char after) {
  bool plain = true;
  for (char c : cell) plain = plain && c != ',' && c != '"' && c != '\r' && c != '\n';
  if (plain) {
    Put(out, cell);
  } else {
    std::string quoted = "\"";
    for (char c : cell) quoted += c == '"' ? std::string_view("\"\"") : std::string_view(&c, 1);
    Put(out, quoted + '"');
  }
  PutChar(out.text, after);
}

void CsvRow(MapOutput& out, const MapRow& row) {
  Put(out, KIND_NAMES[row.kind]);
  Put(out, ",");
  if (Named(row)) PutNumber(out, row.entry->level);
  Put(out, ",");
  PutCsvCell(out, Named(row) ? row.entry->name : std::string_view(), ',');
  PutCsvCell(out, FormatName(row), ',');
  PutNumber(out, row.offset);
  Put(out, ",");
  PutNumber(out, row.length);
  Put(out, ",");
  char* at = Room(out, OccursLength(row) + 1);
  out.text->used += CopyOccurs(row, at) - at;
  Put(out, ",");
  PutNumber(out, Total(row));
  Put(out, ",");
  PutCsvCell(out, Type(out, row), ',');
  PutCsvCell(out, Redefines(row), ',');
  PutCsvCell(out, DependingOn(row), '\r');
  Put(out, "\n");
}

}  // namespace

void WriteMapCsv(MapOutput& out) {
  Put(out, "kind,level,name,format_name,offset,length,occurs,total,type,redefines,depending_on\r\n");
  WalkRows(out, CsvRow, nullptr);
}

