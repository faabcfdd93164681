// The layout map: every entry of the record with its offset and length, in
// record order, as a table for people, as CSV or as JSON. The rows are
// gathered before the format file is written, because its enumeration
// blocks let go of the condition names they cannot describe, and written
// after it, because only then is it known which alternative of each
// redefine chain the format file uses.
#include <sys/stat.h>

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <string>
#include <unordered_map>
#include <vector>

#include "driver/settings.h"
#include "source/source_file.h"
#include "writer/writer.h"

namespace {

enum RowKind : int32_t { ROW_GROUP = 0, ROW_FIELD = 1, ROW_SLACK = 2, ROW_PADDING = 3 };
constexpr std::string_view KIND_NAMES[] = {"group", "field", "slack", "padding"};  // by RowKind

enum MapForm : int32_t { MAP_TEXT = 0, MAP_CSV = 1, MAP_JSON = 2 };

// One table dimension an entry lies in; the dimensions of the tables
// around it follow through outer.
struct Dimension {
  int32_t count;                // occurrences (the largest for DEPENDING ON)
  int64_t stride;               // bytes from one occurrence to the next
  std::string_view depending;   // DEPENDING ON object; empty: none
  int32_t outer;                // enclosing table's dimension; -1: none
};

struct MapRow {
  const FieldNode* entry;  // the entry; for slack and padding, the one they serve
  FieldNode* conditions;   // level-88 entries, taken before the format file drops any
  RowKind kind;
  int32_t depth;           // 0 for members of the record's outer structure
  int64_t offset;          // from the record's start, first occurrence
  int64_t length;          // bytes of one occurrence
  int32_t dimension;       // innermost table dimension; -1: none
};

std::vector<MapRow> Rows;
std::vector<Dimension> Dimensions;
int32_t FirstPaddingNumber;  // FILLER_REDEFINE number the format file starts at

int64_t OccurrenceSize(const FieldNode* entry) {
  if (entry->type != FT_STRUCT) return entry->size;
  return entry->structure ? entry->structure->size : 0;
}

// Members in record order, at the offsets the layout gave them: the
// alternatives of a chain share the head's offset, and slack bytes come
// before the SYNC item they align.
void GatherMembers(const StructNode* structure, int64_t base, int32_t depth, int32_t dimension) {
  int64_t running = base, headOffset = base;
  const FieldNode* head = nullptr;
  for (FieldNode* member = structure->members; member; member = member->next) {
    int64_t start = headOffset;
    if (member->redefineRole != RR_REDEFINES) {
      if (head) running = headOffset + ChainFootprint(head), head = nullptr;
      start = running;
      if (member->redefineRole == RR_REDEFINED)
        head = member, headOffset = start;
      else
        running += FieldFootprint(member);
    }
    int64_t slack = member->isSync && member->alignRemainder ? member->size - member->alignRemainder : 0;
    if (slack) Rows.push_back({member, nullptr, ROW_SLACK, depth, start, slack, dimension});
    int32_t inner = dimension;
    if (member->occursCount > 0) {
      Dimensions.push_back({member->occursCount, OccurrenceSize(member), member->dependingName, dimension});
      inner = static_cast<int32_t>(Dimensions.size() - 1);
    }
    bool group = member->type == FT_STRUCT;
    Rows.push_back({member, member->conditions, group ? ROW_GROUP : ROW_FIELD, depth, start + slack,
                    OccurrenceSize(member), inner});
    if (group && member->structure) GatherMembers(member->structure, start + slack, depth + 1, inner);
    if (member->redefineRole != RR_NONE && member->redefinePadding != 0)
      Rows.push_back({member, nullptr, ROW_PADDING, depth, start + FieldFootprint(member),
                      member->redefinePadding, dimension});
  }
}

// The format file holds slack before a member only where it writes the
// member's line, and padding only after the alternative it uses.
bool RowIsWritten(const MapRow& row) {
  if (row.kind == ROW_PADDING) return row.entry->redefineUsed;
  if (row.kind == ROW_SLACK) return row.entry->redefineRole == RR_NONE || row.entry->redefineUsed;
  return true;
}

// Paddings are numbered in the order the format file writes them:
// structure by structure, newest structure first.
std::unordered_map<const FieldNode*, int32_t> PaddingNumbers() {
  std::unordered_map<const FieldNode*, int32_t> numbers;
  int32_t number = FirstPaddingNumber;
  for (StructNode* s = StructureList; s; s = s->next)
    for (FieldNode* m = s->members; m; m = m->next)
      if (m->redefineRole != RR_NONE && m->redefineUsed && m->redefinePadding != 0)
        numbers[m] = number++;
  return numbers;
}

// Output goes through one buffer, handed to the stream in large pieces.
struct MapOutput {
  FILE* stream;
  std::string text;
  std::unordered_map<const FieldNode*, int32_t> paddingNumbers;
};

void Flush(MapOutput& out) {
  std::fwrite(out.text.data(), 1, out.text.size(), out.stream);
  out.text.clear();
}

void Number(std::string& text, int64_t value) {
  char digits[24];
  auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  text.append(digits, end);
}

size_t NumberWidth(int64_t value) {
  size_t width = 1;
  for (; value >= 10; value /= 10) width++;
  return width;
}

// Names are kept with hyphens made underscores; the map shows them as the
// copybook writes them.
void AsWritten(std::string& text, std::string_view name) {
  for (char c : name) text += c == '_' ? '-' : c;
}

void RecordName(std::string& text) {
  text += TopStructure->shortName.empty() ? TopStructure->name : TopStructure->shortName;
  if (TopStructure->duplicateCount != 0) text += '_', Number(text, TopStructure->duplicateCount);
}

// The cells of one row as text; numbers are kept as numbers.
struct RowCells {
  std::string level, name, formatName, occurs, type, redefines, depending;
  int64_t total;
};

void FillCells(const MapOutput& out, const MapRow& row, RowCells& cells) {
  const FieldNode* entry = row.entry;
  cells.level.clear(), cells.name.clear(), cells.formatName.clear(), cells.occurs.clear();
  cells.redefines.clear(), cells.depending.clear();
  cells.total = row.length;
  int32_t dimensions[64];
  int32_t count = 0;
  for (int32_t d = row.dimension; d >= 0 && count < 64; d = Dimensions[d].outer) dimensions[count++] = d;
  for (int32_t i = count; i-- > 0;) {
    if (i != count - 1) cells.occurs += 'x';
    Number(cells.occurs, Dimensions[dimensions[i]].count);
    cells.total *= Dimensions[dimensions[i]].count;
  }
  switch (row.kind) {
    case ROW_SLACK:
      cells.type = "align";
      Number(cells.type, entry->size);
      return;
    case ROW_PADDING:
      cells.formatName = "FILLER_REDEFINE_";
      Number(cells.formatName, out.paddingNumbers.at(entry));
      cells.type = "hex";
      return;
    default:
      break;
  }
  Number(cells.level, entry->level);
  AsWritten(cells.name, entry->name);
  cells.formatName = WrittenName(entry);
  if (int32_t number = NamesakeNumber(entry)) cells.formatName += '_', Number(cells.formatName, number);
  cells.type = TypeText(entry);
  if (entry->redefineRole == RR_REDEFINES) AsWritten(cells.redefines, entry->redefinesName);
  AsWritten(cells.depending, entry->dependingName);
}

void Padded(std::string& text, std::string_view cell, size_t width, bool right) {
  if (right) text.append(width > cell.size() ? width - cell.size() : 0, ' ');
  text += cell;
  if (!right) text.append(width > cell.size() ? width - cell.size() : 0, ' ');
  text += "  ";
}

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

void EndLine(MapOutput& out) {
  while (!out.text.empty() && out.text.back() == ' ') out.text.pop_back();
  out.text += '\n';
  if (out.text.size() > (1 << 16)) Flush(out);
}

void Hex(std::string& text, int64_t value) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "0x%8.8X", static_cast<unsigned>(value));
  text += digits;
}

void WriteText(MapOutput& out) {
  size_t widths[COLUMN_COUNT];
  for (int c = 0; c < COLUMN_COUNT; c++) widths[c] = COLUMN_TITLES[c].size();
  size_t numberWidth = NumberWidth(TopStructure->size + 1);
  for (int c : {COL_OFFSET, COL_START, COL_END, COL_LENGTH, COL_TOTAL})
    if (widths[c] < numberWidth) widths[c] = numberWidth;
  widths[COL_KIND] = 7;
  widths[COL_HEX] = 10;
  RowCells cells;
  for (const MapRow& row : Rows) {
    if (!RowIsWritten(row)) continue;
    FillCells(out, row, cells);
    auto widen = [&](int c, size_t width) { if (widths[c] < width) widths[c] = width; };
    widen(COL_NAME, 2 * row.depth + cells.name.size());
    widen(COL_FORMAT_NAME, cells.formatName.size());
    widen(COL_OCCURS, cells.occurs.size());
    widen(COL_TYPE, cells.type.size());
    widen(COL_REDEFINES, cells.redefines.size());
    widen(COL_DEPENDING, cells.depending.size());
  }
  for (int c = 0; c < COLUMN_COUNT; c++) Padded(out.text, COLUMN_TITLES[c], widths[c], RIGHT_ALIGNED[c]);
  EndLine(out);
  std::string number, indented;
  for (const MapRow& row : Rows) {
    if (!RowIsWritten(row)) continue;
    FillCells(out, row, cells);
    auto numeric = [&](int c, int64_t value) {
      number.clear();
      Number(number, value);
      Padded(out.text, number, widths[c], true);
    };
    Padded(out.text, KIND_NAMES[row.kind], widths[COL_KIND], false);
    Padded(out.text, cells.level, widths[COL_LEVEL], true);
    indented.assign(2 * row.depth, ' ');
    indented += cells.name;
    Padded(out.text, indented, widths[COL_NAME], false);
    Padded(out.text, cells.formatName, widths[COL_FORMAT_NAME], false);
    numeric(COL_OFFSET, row.offset);
    numeric(COL_START, row.offset + 1);
    numeric(COL_END, row.offset + row.length);
    number.clear();
    Hex(number, row.offset);
    Padded(out.text, number, widths[COL_HEX], false);
    numeric(COL_LENGTH, row.length);
    Padded(out.text, cells.occurs, widths[COL_OCCURS], false);
    numeric(COL_TOTAL, cells.total);
    Padded(out.text, cells.type, widths[COL_TYPE], false);
    Padded(out.text, cells.redefines, widths[COL_REDEFINES], false);
    Padded(out.text, cells.depending, widths[COL_DEPENDING], false);
    EndLine(out);
  }
  out.text += "Record ";
  RecordName(out.text);
  out.text += " is ";
  Number(out.text, TopStructure->size);
  out.text += " (";
  Hex(out.text, TopStructure->size);
  out.text += ") bytes long\n";
}

// A field is quoted only when it holds a comma, a quote or a line break.
void CsvCell(std::string& text, std::string_view cell, bool last = false) {
  if (cell.find_first_of(",\"\r\n") == std::string_view::npos) {
    text += cell;
  } else {
    text += '"';
    for (char c : cell) text += c == '"' ? std::string_view("\"\"") : std::string_view(&c, 1);
    text += '"';
  }
  text += last ? "\r\n" : ",";
}

void WriteCsv(MapOutput& out) {
  out.text += "kind,level,name,format_name,offset,length,occurs,total,type,redefines,depending_on\r\n";
  RowCells cells;
  std::string number;
  for (const MapRow& row : Rows) {
    if (!RowIsWritten(row)) continue;
    FillCells(out, row, cells);
    CsvCell(out.text, KIND_NAMES[row.kind]);
    CsvCell(out.text, cells.level);
    CsvCell(out.text, cells.name);
    CsvCell(out.text, cells.formatName);
    for (int64_t value : {row.offset, row.length}) Number(out.text, value), out.text += ',';
    CsvCell(out.text, cells.occurs);
    Number(out.text, cells.total), out.text += ',';
    CsvCell(out.text, cells.type);
    CsvCell(out.text, cells.redefines);
    CsvCell(out.text, cells.depending, true);
    if (out.text.size() > (1 << 16)) Flush(out);
  }
}

void JsonString(std::string& text, std::string_view value) {
  text += '"';
  for (char c : value) {
    if (c == '"' || c == '\\') {
      text += '\\', text += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", c);
      text += escape;
    } else {
      text += c;
    }
  }
  text += '"';
}

// A JSON string, or null when empty.
void JsonName(std::string& text, std::string_view value) {
  if (value.empty())
    text += "null";
  else
    JsonString(text, value);
}

void JsonValue(std::string& text, ValueKind kind, std::string_view value) {
  JsonString(text, kind == VK_LOW_VALUE ? "LOW-VALUE" : kind == VK_HIGH_VALUE ? "HIGH-VALUE" : value);
}

// Values in order; a range is an object {"from": ..., "thru": ...}.
void JsonValues(std::string& text, const FieldNode* condition) {
  text += ", \"values\": [";
  ValueKind kind = condition->valueKind == VK_LIST || condition->valueKind == VK_RANGE
                       ? VK_LITERAL : condition->valueKind;
  std::string_view value = condition->valueText;
  const ConditionValue* more = condition->moreValues;
  for (bool first = true; kind != VK_NONE; first = false) {
    if (!first) text += ", ";
    bool range = more && more->thru;
    if (range) text += "{\"from\": ";
    JsonValue(text, kind, value);
    if (range) {
      text += ", \"thru\": ";
      JsonValue(text, more->kind, more->text);
      text += '}';
      more = more->next;
    }
    kind = more ? more->kind : VK_NONE;
    value = more ? more->text : std::string_view();
    if (more) more = more->next;
  }
  text += ']';
}

void JsonConditions(std::string& text, const FieldNode* condition) {
  text += ", \"conditions\": [";
  std::string name;
  for (const FieldNode* c = condition; c; c = c->next) {
    if (c != condition) text += ", ";
    name.clear();
    AsWritten(name, c->name);
    text += "{\"name\": ";
    JsonString(text, name);
    JsonValues(text, c);
    text += '}';
  }
  text += ']';
}

void JsonOccurs(std::string& text, int32_t dimension) {
  int32_t dimensions[64];
  int32_t count = 0;
  for (int32_t d = dimension; d >= 0 && count < 64; d = Dimensions[d].outer) dimensions[count++] = d;
  text += ", \"occurs\": [";
  std::string depending;
  for (int32_t i = count; i-- > 0;) {
    const Dimension& table = Dimensions[dimensions[i]];
    if (i != count - 1) text += ", ";
    text += "{\"count\": ";
    Number(text, table.count);
    text += ", \"stride\": ";
    Number(text, table.stride);
    text += ", \"depending_on\": ";
    depending.clear();
    AsWritten(depending, table.depending);
    JsonName(text, depending);
    text += '}';
  }
  text += ']';
}

void WriteJson(MapOutput& out) {
  std::string& text = out.text;
  text += "{\"record\": ";
  std::string record;
  RecordName(record);
  JsonString(text, record);
  text += ", \"length\": ";
  Number(text, TopStructure->size);
  text += ", \"fields\": [";
  int32_t open = 0;   // children lists open below the record's list
  bool first = true;  // no element yet in the innermost open list
  RowCells cells;
  for (const MapRow& row : Rows) {
    if (!RowIsWritten(row)) continue;
    for (; open > row.depth; open--) text += "]}", first = false;
    text += first ? "\n" : ",\n";
    first = false;
    text.append(2 * (row.depth + 1), ' ');
    FillCells(out, row, cells);
    text += "{\"kind\": \"";
    text += KIND_NAMES[row.kind];
    text += "\", \"level\": ";
    text += cells.level.empty() ? std::string_view("null") : std::string_view(cells.level);
    text += ", \"name\": ";
    JsonName(text, cells.name);
    text += ", \"format_name\": ";
    JsonName(text, cells.formatName);
    text += ", \"offset\": ";
    Number(text, row.offset);
    text += ", \"length\": ";
    Number(text, row.length);
    JsonOccurs(text, row.dimension);
    text += ", \"type\": ";
    JsonString(text, cells.type);
    text += ", \"redefines\": ";
    JsonName(text, cells.redefines);
    JsonConditions(text, row.conditions);
    if (row.kind == ROW_GROUP) {
      text += ", \"children\": [";
      open++, first = true;
    } else {
      text += '}';
    }
    if (text.size() > (1 << 16)) Flush(out);
  }
  for (; open > 0; open--) text += "]}";
  text += "\n]}\n";
}

MapForm FormOfName(std::string_view name) {
  std::string_view file = SplitPath(name).file;
  size_t dot = file.rfind('.');
  std::string_view type = dot == std::string_view::npos ? std::string_view() : file.substr(dot);
  if (type == ".json") return MAP_JSON;
  if (type == ".csv") return MAP_CSV;
  return MAP_TEXT;
}

bool IsStandardOutput() { return MapFileName == "-"; }

// The same file under another name, or the same path yet to be made.
bool SameFile(const std::string& one, const std::string& other) {
  struct stat a, b;
  if (stat(one.c_str(), &a) == 0 && stat(other.c_str(), &b) == 0)
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
  namespace fs = std::filesystem;
  std::error_code error, otherError;
  fs::path path = fs::weakly_canonical(fs::absolute(one, error), error);
  fs::path otherPath = fs::weakly_canonical(fs::absolute(other, otherError), otherError);
  return !error && !otherError && path == otherPath;
}

}  // namespace

int PrepareLayoutMap() {
  const char* name = MapFileName.c_str();
  if (!IsStandardOutput()) {
    if (IsInputFile(MapFileName)) {
      std::printf("Map file '%s' is the input file\n", name);
      return 0;
    }
    if (SameFile(MapFileName, OutputFileName)) {
      std::printf("Map file '%s' is the output file\n", name);
      return 0;
    }
    // Found unwritable before the format file is written, so that the run
    // leaves neither file; appending changes nothing in a file already there.
    struct stat status;
    bool existed = stat(name, &status) == 0;
    FILE* probe = std::fopen(name, "a");
    if (!probe) {
      std::printf("Can not write to file '%s'\n", name);
      return 0;
    }
    std::fclose(probe);
    if (!existed) std::remove(name);
  }
  Rows.clear();
  Dimensions.clear();
  FirstPaddingNumber = FillerRedefineNumber;
  GatherMembers(TopStructure, 0, 0, -1);
  return 1;
}

int WriteLayoutMap() {
  const char* name = MapFileName.c_str();
  MapOutput out{IsStandardOutput() ? stdout : std::fopen(name, "w"), {}, PaddingNumbers()};
  if (!out.stream) {
    std::printf("Can not write to file '%s'\n", name);
    return 0;
  }
  // Only a regular file is removed when writing fails, never a device.
  bool regular = !IsStandardOutput() && IsRegularFile(MapFileName);
  out.text.reserve(1 << 17);
  switch (IsStandardOutput() ? MAP_TEXT : FormOfName(MapFileName)) {
    case MAP_TEXT: WriteText(out); break;
    case MAP_CSV: WriteCsv(out); break;
    case MAP_JSON: WriteJson(out); break;
  }
  Flush(out);
  bool failed = std::fflush(out.stream) != 0 || std::ferror(out.stream);
  if (IsStandardOutput()) {
    if (failed) std::fprintf(stderr, "Error writing the map to standard output\n");
    return !failed;
  }
  failed = std::fclose(out.stream) != 0 || failed;
  if (!failed) return 1;
  std::printf("Error writing to file '%s'\n", name);
  if (regular) std::remove(name);
  return 0;
}
