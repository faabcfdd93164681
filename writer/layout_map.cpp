// The layout map: every entry of the record with its offset and length, in
// record order, as a table for people, as CSV or as JSON. The record tree is
// walked when the map is written, after the format file, because only then
// is it known which alternative of each redefine chain the format file
// uses; the condition names are taken before, because the enumeration
// blocks let go of those they cannot describe.
#include <sys/stat.h>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "driver/settings.h"
#include "source/source_file.h"
#include "writer/writer.h"

namespace {

enum RowKind : int32_t { ROW_GROUP = 0, ROW_FIELD = 1, ROW_SLACK = 2, ROW_PADDING = 3 };
constexpr std::string_view KIND_NAMES[] = {"group", "field", "slack", "padding"};  // by RowKind

enum MapForm : int32_t { MAP_TEXT = 0, MAP_CSV = 1, MAP_JSON = 2 };

// A table dimension of the entries below an OCCURS entry.
struct Dimension {
  int32_t count;                // occurrences (the largest for DEPENDING ON)
  int64_t stride;               // bytes from one occurrence to the next
  std::string_view depending;   // DEPENDING ON object; empty: none
};
constexpr int32_t MOST_DIMENSIONS = 64;  // levels 01 to 49 nest fewer

struct MapRow {
  const FieldNode* entry;        // the entry; for slack and padding, the one they serve
  const FieldNode* conditions;   // level-88 entries
  RowKind kind;
  int32_t depth;                 // 0 for members of the record's outer structure
  int64_t offset;                // from the record's start, first occurrence
  int64_t length;                // bytes of one occurrence
};

// Condition chains of the members that have them, in record order, taken
// before the format file is written.
std::vector<std::pair<const FieldNode*, const FieldNode*>> SavedConditions;
int32_t FirstPaddingNumber;  // FILLER_REDEFINE number the format file starts at

struct MapOutput;
using RowVisitor = void (*)(MapOutput& out, const MapRow& row);

// The walk's state and the output, which goes through one buffer handed to
// the stream in large pieces.
struct MapOutput {
  FILE* stream;
  std::string text;
  RowVisitor visit;              // each row
  RowVisitor leave;              // a group after its members; may be null
  Dimension dimensions[MOST_DIMENSIONS];  // of the tables around the row, outermost first
  int32_t dimensionCount;
  size_t nextConditions;         // in SavedConditions
  std::unordered_map<const FieldNode*, int32_t> paddingNumbers;
  size_t widths[16];             // text table columns
  size_t lineEnd;                // text table: end of the line's last non-empty cell
  bool listOpened;               // JSON: no row yet in the innermost list
};

void Flush(MapOutput& out) {
  std::fwrite(out.text.data(), 1, out.text.size(), out.stream);
  out.text.clear();
}

void FlushWhenFull(MapOutput& out) {
  if (out.text.size() > (1 << 16)) Flush(out);
}

void AppendSpaces(std::string& text, size_t count) {
  static constexpr char SPACES[] = "                                                                ";
  for (; count > sizeof SPACES - 1; count -= sizeof SPACES - 1) text.append(SPACES, sizeof SPACES - 1);
  text.append(SPACES, count);
}

void AppendHex(std::string& text, int64_t value) {
  char digits[10] = {'0', 'x'};
  for (int i = 9; i >= 2; i--, value >>= 4) digits[i] = "0123456789ABCDEF"[value & 15];
  text.append(digits, sizeof digits);
}

int64_t OccurrenceSize(const FieldNode* entry) {
  if (entry->type != FT_STRUCT) return entry->size;
  return entry->structure ? entry->structure->size : 0;
}

// The format file holds slack before a member only where it writes the
// member's line.
bool LineIsWritten(const FieldNode* member) {
  return member->redefineRole == RR_NONE || member->redefineUsed;
}

const FieldNode* ConditionsOf(MapOutput& out, const FieldNode* member) {
  if (out.nextConditions >= SavedConditions.size() ||
      SavedConditions[out.nextConditions].first != member)
    return nullptr;
  return SavedConditions[out.nextConditions++].second;
}

// Members in record order, at the offsets the layout gave them: the
// alternatives of a chain share the head's offset, slack bytes come before
// the SYNC item they align, and padding follows the alternative used.
void VisitMembers(MapOutput& out, const StructNode* structure, int64_t base, int32_t depth) {
  int64_t running = base, headOffset = base;
  const FieldNode* head = nullptr;
  for (const FieldNode* member = structure->members; member; member = member->next) {
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
    if (slack && LineIsWritten(member)) out.visit(out, {member, nullptr, ROW_SLACK, depth, start, slack});
    bool table = member->occursCount > 0 && out.dimensionCount < MOST_DIMENSIONS;
    if (table)
      out.dimensions[out.dimensionCount++] = {member->occursCount, OccurrenceSize(member), member->dependingName};
    bool group = member->type == FT_STRUCT;
    MapRow row{member, ConditionsOf(out, member), group ? ROW_GROUP : ROW_FIELD, depth, start + slack,
               OccurrenceSize(member)};
    out.visit(out, row);
    if (group && member->structure) VisitMembers(out, member->structure, start + slack, depth + 1);
    if (group && out.leave) out.leave(out, row);
    if (table) out.dimensionCount--;
    if (member->redefineRole != RR_NONE && member->redefineUsed && member->redefinePadding != 0)
      out.visit(out, {member, nullptr, ROW_PADDING, depth, start + FieldFootprint(member),
                      member->redefinePadding});
  }
}

void WalkRecord(MapOutput& out, RowVisitor visit, RowVisitor leave) {
  out.visit = visit, out.leave = leave;
  out.dimensionCount = 0;
  out.nextConditions = 0;
  VisitMembers(out, TopStructure, 0, 0);
}

void SaveConditions(const StructNode* structure) {
  for (const FieldNode* member = structure->members; member; member = member->next) {
    if (member->conditions) SavedConditions.emplace_back(member, member->conditions);
    if (member->type == FT_STRUCT && member->structure) SaveConditions(member->structure);
  }
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

std::string_view Number(char (&digits)[24], int64_t value) {
  return {digits, static_cast<size_t>(std::to_chars(digits, digits + sizeof digits, value).ptr - digits)};
}

void AppendNumber(std::string& text, int64_t value) {
  char digits[24];
  text += Number(digits, value);
}

// Names are kept with hyphens made underscores; the map shows them as the
// copybook writes them.
void AppendAsWritten(std::string& text, std::string_view name) {
  size_t at = text.size();
  text += name;
  for (char* c = text.data() + at; c != text.data() + text.size(); c++)
    if (*c == '_') *c = '-';
}

std::string AsWritten(std::string_view name) {
  std::string text;
  AppendAsWritten(text, name);
  return text;
}

void AppendFormatName(const MapOutput& out, std::string& text, const MapRow& row) {
  if (row.kind == ROW_SLACK) return;
  if (row.kind == ROW_PADDING) {
    text += "FILLER_REDEFINE_";
    AppendNumber(text, out.paddingNumbers.at(row.entry));
    return;
  }
  text += WrittenName(row.entry);
  if (int32_t number = NamesakeNumber(row.entry)) text += '_', AppendNumber(text, number);
}

void AppendType(std::string& text, const MapRow& row) {
  if (row.kind == ROW_SLACK)
    text += "align", AppendNumber(text, row.entry->size);
  else if (row.kind == ROW_PADDING)
    text += "hex";
  else
    text += TypeText(row.entry);
}

bool Named(const MapRow& row) { return row.kind == ROW_GROUP || row.kind == ROW_FIELD; }

std::string_view Redefines(const MapRow& row) {
  return Named(row) && row.entry->redefineRole == RR_REDEFINES ? row.entry->redefinesName : std::string_view();
}

std::string_view DependingOn(const MapRow& row) {
  return Named(row) ? row.entry->dependingName : std::string_view();
}

void AppendOccurs(const MapOutput& out, std::string& text, int32_t count) {
  for (int32_t i = 0; i < count; i++) {
    if (i) text += 'x';
    AppendNumber(text, out.dimensions[i].count);
  }
}

int64_t Total(const MapOutput& out, const MapRow& row, int32_t count) {
  int64_t total = row.length;
  for (int32_t i = 0; i < count; i++) total *= out.dimensions[i].count;
  return total;
}

// ---- Text table ----

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

// Pads a text cell that the caller appended from begin on.
void EndCell(MapOutput& out, size_t begin, int column) {
  size_t length = out.text.size() - begin;
  if (length < out.widths[column]) AppendSpaces(out.text, out.widths[column] - length);
  if (length != 0) out.lineEnd = begin + length;
  out.text.append("  ", 2);
}

// A number, right-aligned in its column.
void NumberCell(MapOutput& out, int column, int64_t value) {
  char digits[24];
  std::string_view number = Number(digits, value);
  size_t width = out.widths[column];
  if (number.size() < width) AppendSpaces(out.text, width - number.size());
  out.text += number;
  out.lineEnd = out.text.size();
  out.text.append("  ", 2);
}

void EndLine(MapOutput& out) {
  out.text.resize(out.lineEnd);
  out.text += '\n';
  FlushWhenFull(out);
}

void Widen(MapOutput& out, int column, size_t width) {
  if (out.widths[column] < width) out.widths[column] = width;
}

// The widths of the cells whose length varies; the text is built only to
// be measured.
void MeasureRow(MapOutput& out, const MapRow& row) {
  std::string& text = out.text;
  size_t at = text.size();
  Widen(out, COL_NAME, 2 * row.depth + (Named(row) ? row.entry->name.size() : 0));
  AppendFormatName(out, text, row);
  Widen(out, COL_FORMAT_NAME, text.size() - at);
  text.resize(at);
  AppendOccurs(out, text, out.dimensionCount);
  Widen(out, COL_OCCURS, text.size() - at);
  text.resize(at);
  AppendType(text, row);
  Widen(out, COL_TYPE, text.size() - at);
  text.resize(at);
  Widen(out, COL_REDEFINES, Redefines(row).size());
  Widen(out, COL_DEPENDING, DependingOn(row).size());
}

void TextRow(MapOutput& out, const MapRow& row) {
  std::string& text = out.text;
  int32_t dimensions = out.dimensionCount;
  size_t begin = text.size();
  text += KIND_NAMES[row.kind];
  EndCell(out, begin, COL_KIND);
  if (Named(row))
    NumberCell(out, COL_LEVEL, row.entry->level);
  else
    AppendSpaces(text, out.widths[COL_LEVEL] + 2);
  begin = text.size();
  AppendSpaces(text, 2 * row.depth);
  if (Named(row)) AppendAsWritten(text, row.entry->name);
  EndCell(out, begin, COL_NAME);
  begin = text.size();
  AppendFormatName(out, text, row);
  EndCell(out, begin, COL_FORMAT_NAME);
  NumberCell(out, COL_OFFSET, row.offset);
  NumberCell(out, COL_START, row.offset + 1);
  NumberCell(out, COL_END, row.offset + row.length);
  AppendHex(text, row.offset);
  text.append("  ", 2);
  NumberCell(out, COL_LENGTH, row.length);
  begin = text.size();
  AppendOccurs(out, text, dimensions);
  EndCell(out, begin, COL_OCCURS);
  NumberCell(out, COL_TOTAL, Total(out, row, dimensions));
  begin = text.size();
  AppendType(text, row);
  EndCell(out, begin, COL_TYPE);
  begin = text.size();
  AppendAsWritten(text, Redefines(row));
  EndCell(out, begin, COL_REDEFINES);
  begin = text.size();
  AppendAsWritten(text, DependingOn(row));
  EndCell(out, begin, COL_DEPENDING);
  EndLine(out);
}

void RecordName(std::string& text) {
  text += TopStructure->shortName.empty() ? TopStructure->name : TopStructure->shortName;
  if (TopStructure->duplicateCount != 0) text += '_', AppendNumber(text, TopStructure->duplicateCount);
}

void WriteText(MapOutput& out) {
  for (int c = 0; c < COLUMN_COUNT; c++) out.widths[c] = COLUMN_TITLES[c].size();
  char digits[24];
  size_t numberWidth = Number(digits, TopStructure->size + 1).size();
  for (int c : {COL_OFFSET, COL_START, COL_END, COL_LENGTH, COL_TOTAL}) Widen(out, c, numberWidth);
  Widen(out, COL_KIND, KIND_NAMES[ROW_PADDING].size());
  Widen(out, COL_HEX, 10);
  WalkRecord(out, MeasureRow, nullptr);
  for (int c = 0; c < COLUMN_COUNT; c++) {
    size_t padding = out.widths[c] - COLUMN_TITLES[c].size();
    if (RIGHT_ALIGNED[c]) out.text.append(padding, ' ');
    out.text += COLUMN_TITLES[c];
    out.lineEnd = out.text.size();
    if (!RIGHT_ALIGNED[c]) out.text.append(padding, ' ');
    out.text.append(2, ' ');
  }
  EndLine(out);
  WalkRecord(out, TextRow, nullptr);
  out.text += "Record ";
  RecordName(out.text);
  out.text += " is ";
  AppendNumber(out.text, TopStructure->size);
  out.text += " (";
  AppendHex(out.text, TopStructure->size);
  out.text += ") bytes long\n";
}

// ---- CSV ----

// A cell is quoted only when it holds a comma, a quote or a line break.
void CsvCell(std::string& text, size_t begin, char after) {
  std::string_view cell(text.data() + begin, text.size() - begin);
  if (cell.find_first_of(",\"\r\n") != std::string_view::npos) {
    std::string quoted = "\"";
    for (char c : cell) quoted += c == '"' ? std::string_view("\"\"") : std::string_view(&c, 1);
    text.replace(begin, cell.size(), quoted + '"');
  }
  text += after;
}

void CsvRow(MapOutput& out, const MapRow& row) {
  std::string& text = out.text;
  int32_t dimensions = out.dimensionCount;
  text += KIND_NAMES[row.kind];
  text += ',';
  if (Named(row)) AppendNumber(text, row.entry->level);
  text += ',';
  size_t begin = text.size();
  if (Named(row)) AppendAsWritten(text, row.entry->name);
  CsvCell(text, begin, ',');
  begin = text.size();
  AppendFormatName(out, text, row);
  CsvCell(text, begin, ',');
  AppendNumber(text, row.offset);
  text += ',';
  AppendNumber(text, row.length);
  text += ',';
  AppendOccurs(out, text, dimensions);
  text += ',';
  AppendNumber(text, Total(out, row, dimensions));
  text += ',';
  begin = text.size();
  AppendType(text, row);
  CsvCell(text, begin, ',');
  begin = text.size();
  AppendAsWritten(text, Redefines(row));
  CsvCell(text, begin, ',');
  begin = text.size();
  AppendAsWritten(text, DependingOn(row));
  CsvCell(text, begin, '\r');
  text += '\n';
  FlushWhenFull(out);
}

void WriteCsv(MapOutput& out) {
  out.text += "kind,level,name,format_name,offset,length,occurs,total,type,redefines,depending_on\r\n";
  WalkRecord(out, CsvRow, nullptr);
}

// ---- JSON ----

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

// A name as the copybook writes it, or null when there is none.
void JsonName(std::string& text, std::string_view name) {
  if (name.empty())
    text += "null";
  else
    JsonString(text, AsWritten(name));
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

void JsonRow(MapOutput& out, const MapRow& row) {
  std::string& text = out.text;
  // A row follows the opening of its list, or a sibling.
  text += out.listOpened ? "\n" : ",\n";
  out.listOpened = row.kind == ROW_GROUP;
  text.append(2 * (row.depth + 1), ' ');
  text += "{\"kind\": \"";
  text += KIND_NAMES[row.kind];
  text += "\", \"level\": ";
  if (Named(row))
    AppendNumber(text, row.entry->level);
  else
    text += "null";
  text += ", \"name\": ";
  JsonName(text, Named(row) ? row.entry->name : std::string_view());
  text += ", \"format_name\": ";
  size_t begin = text.size();
  AppendFormatName(out, text, row);
  if (text.size() == begin) text += "null";
  else text.insert(begin, 1, '"'), text += '"';
  text += ", \"offset\": ";
  AppendNumber(text, row.offset);
  text += ", \"length\": ";
  AppendNumber(text, row.length);
  text += ", \"occurs\": [";
  for (int32_t i = 0, count = out.dimensionCount; i < count; i++) {
    const Dimension& table = out.dimensions[i];
    text += i ? ", {\"count\": " : "{\"count\": ";
    AppendNumber(text, table.count);
    text += ", \"stride\": ";
    AppendNumber(text, table.stride);
    text += ", \"depending_on\": ";
    JsonName(text, table.depending);
    text += '}';
  }
  text += "], \"type\": \"";
  AppendType(text, row);
  text += "\", \"redefines\": ";
  JsonName(text, Redefines(row));
  text += ", \"conditions\": [";
  for (const FieldNode* c = row.conditions; c; c = c->next) {
    text += c == row.conditions ? "{\"name\": " : ", {\"name\": ";
    JsonName(text, c->name);
    JsonValues(text, c);
    text += '}';
  }
  text += row.kind == ROW_GROUP ? "], \"children\": [" : "]}";
  FlushWhenFull(out);
}

void JsonLeave(MapOutput& out, const MapRow&) {
  out.text += "]}";
  out.listOpened = false;
}

void WriteJson(MapOutput& out) {
  out.text += "{\"record\": ";
  std::string record;
  RecordName(record);
  JsonString(out.text, record);
  out.text += ", \"length\": ";
  AppendNumber(out.text, TopStructure->size);
  out.text += ", \"fields\": [";
  out.listOpened = true;
  WalkRecord(out, JsonRow, JsonLeave);
  out.text += "\n]}\n";
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
  SavedConditions.clear();
  if (!IsStandardOutput() && FormOfName(MapFileName) == MAP_JSON) SaveConditions(TopStructure);
  FirstPaddingNumber = FillerRedefineNumber;
  return 1;
}

int WriteLayoutMap() {
  const char* name = MapFileName.c_str();
  static MapOutput out;
  out.stream = IsStandardOutput() ? stdout : std::fopen(name, "w");
  out.text.clear();
  out.paddingNumbers = PaddingNumbers();
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
