// The layout map as a table for people: one line a row, columns as wide
// as their widest cell, numbers right-aligned.
#include <cstring>

#include "writer/map_rows.h"

namespace {

// Columns of the table, in order; the numbers are right-aligned.
enum TextColumn : int32_t {
  COL_KIND, COL_LEVEL, COL_NAME, COL_FORMAT_NAME, COL_OFFSET, COL_START, COL_END, COL_HEX,
  COL_LENGTH, COL_OCCURS, COL_TOTAL, COL_TYPE, COL_REDEFINES, COL_DEPENDING, COLUMN_COUNT
};
constexpr std::string_view COLUMN_TITLES[] = {  // by TextColumn
    "Kind", "Level", "Name", "Format name", "Offset", "Start", "End", "Hex",
    "Length", "Occurs", "Total", "Type", "Redefines", "Depending on"};
static_assert(sizeof COLUMN_TITLES / sizeof COLUMN_TITLES[0] == COLUMN_COUNT);
constexpr bool RIGHT_ALIGNED[] = {false, true, false, false, true, true, true, false,
                                  true, false, true, false, false, false};

size_t Widths[COLUMN_COUNT];      // of each column
size_t Starts[COLUMN_COUNT + 1];  // where each column starts in a line

void Widen(int column, size_t width) {
  if (Widths[column] < width) Widths[column] = width;
}

// The widths of the text columns; the numbers' columns are as wide as the
// record's length, as no row passes the record's end.
// Levels take at most two digits, less than their title.
void MeasureRow(MapOutput& out, const MapRow& row) {
  Widen(COL_NAME, 2 * row.depth + (Named(row) ? row.entry->name.size() : 0));
  Widen(COL_FORMAT_NAME, FormatNameLength(row));
  Widen(COL_OCCURS, OccursLength(row));
  Widen(COL_TYPE, Type(out, row).size());
  Widen(COL_REDEFINES, Redefines(row).size());
  Widen(COL_DEPENDING, DependingOn(row).size());
}

// A line is blanked at its full width and the cells are copied into their
// columns; the spaces after the last cell are dropped.
void TextRow(MapOutput& out, const MapRow& row) {
  const size_t* starts = Starts;
  size_t width = starts[COLUMN_COUNT] - 2;
  char* line = Room(out, width + 1);
  std::memset(line, ' ', width);
  auto right = [&](int column, int64_t value) { CopyNumberBefore(line + starts[column + 1] - 2, value); };
  std::string_view kind = KIND_NAMES[row.kind];
  CopyBytes(line, kind);
  if (Named(row)) {
    right(COL_LEVEL, row.entry->level);
    CopyBytes(line + starts[COL_NAME] + 2 * row.depth, row.entry->name);
  }
  CopyFormatName(line + starts[COL_FORMAT_NAME], row);
  right(COL_OFFSET, row.offset);
  right(COL_START, row.offset + 1);
  right(COL_END, row.offset + row.length);
  CopyHex(line + starts[COL_HEX], row.offset);
  right(COL_LENGTH, row.length);
  CopyOccurs(row, line + starts[COL_OCCURS]);
  right(COL_TOTAL, Total(row));
  std::string_view type = Type(out, row);
  char* end = line + starts[COL_TYPE];
  CopyBytes(end, type);
  end += type.size();
  std::string_view redefines = Redefines(row), depending = DependingOn(row);
  if (!redefines.empty()) end = CopyBytes(line + starts[COL_REDEFINES], redefines);
  if (!depending.empty()) end = CopyBytes(line + starts[COL_DEPENDING], depending);
  *end++ = '\n';
  out.text->used += end - line;
}

}  // namespace

void WriteMapText(MapOutput& out) {
  for (int c = 0; c < COLUMN_COUNT; c++) Widths[c] = COLUMN_TITLES[c].size();
  Widen(COL_KIND, KIND_NAMES[ROW_PADDING].size());
  Widen(COL_HEX, 10);
  for (int c : {COL_OFFSET, COL_START, COL_END, COL_LENGTH, COL_TOTAL})
    Widen(c, NumberWidth(int64_t{TopStructure->size} + 1));
  WalkRows(out, MeasureRow, nullptr);
  for (int c = 0; c < COLUMN_COUNT; c++) Starts[c + 1] = Starts[c] + Widths[c] + 2;
  size_t width = Starts[COLUMN_COUNT] - 2;
  char* line = Room(out, width + 1);
  std::memset(line, ' ', width);
  for (int c = 0; c < COLUMN_COUNT; c++) {
    std::string_view title = COLUMN_TITLES[c];
    size_t at = RIGHT_ALIGNED[c] ? Starts[c + 1] - 2 - title.size() : Starts[c];
    CopyBytes(line + at, title);
  }
  line[width - Widths[COL_DEPENDING] + COLUMN_TITLES[COL_DEPENDING].size()] = '\n';
  out.text->used += width - Widths[COL_DEPENDING] + COLUMN_TITLES[COL_DEPENDING].size() + 1;
  WalkRows(out, TextRow, nullptr);
  Put(out, "Record ");
  Put(out, RecordName());
  Put(out, " is ");
  PutNumber(out, TopStructure->size);
  Put(out, " (");
  char* at = Room(out, 10);
  out.text->used += CopyHex(at, TopStructure->size) - at;
  Put(out, ") bytes long\n");
}

