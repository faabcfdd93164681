// The layout map: every entry of the record with its offset and length, in
// record order, as a table for people, as CSV or as JSON. The record tree is
// walked when the map is written, after the format file, because only then
// is it known which alternative of each redefine chain the format file
// uses.
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_map>

#include "driver/settings.h"
#include "layout/walk.h"
#include "writer/output_file.h"
#include "writer/writer.h"

namespace {

enum RowKind : int32_t { ROW_GROUP = 0, ROW_FIELD = 1, ROW_SLACK = 2, ROW_PADDING = 3 };
constexpr std::string_view KIND_NAMES[] = {"group", "field", "slack", "padding"};  // by RowKind

enum MapForm : int32_t { MAP_TEXT = 0, MAP_CSV = 1, MAP_JSON = 2 };

struct MapRow {
  const FieldNode* entry;        // the entry; for slack and padding, the one they serve
  const FieldNode* conditions;   // level-88 entries
  RowKind kind;
  int32_t depth;                 // 0 for members of the record's outer structure
  int64_t offset;                // from the record's start, first occurrence
  int64_t length;                // bytes of one occurrence
  int32_t align;                 // slack that ends a table's occurrence: its boundary
  const TableDimension* tables;  // the tables around the row, outermost first
  int32_t tableCount;
};

// The type text last built for each storage type: a copybook repeats few
// pictures, and building the text costs more than the rest of a row.
struct TypeCache {
  bool filled;
  int32_t digits, scale;       // what the text of a packed or signed display type shows
  bool hasDecimalPoint, signLeading;
  std::string text;
};

struct MapOutput;
using RowVisitor = void (*)(MapOutput& out, const MapRow& row);

// The walk's state and the output's text.
struct MapOutput {
  TextOut* text;
  RowVisitor visit;              // each row
  RowVisitor leave;              // a group after its members; may be null
  size_t widths[16];             // text table: width of each column
  size_t starts[17];             // text table: where each column starts in a line
  bool listOpened;               // JSON: no row yet in the innermost list
  TypeCache types[FIELD_TYPE_COUNT];
  std::string slackType;         // "alignN" of the latest slack row
};

// Room for count more bytes at the end of the output; the writer adds
// what it wrote to out.text->used.
char* Room(MapOutput& out, size_t count) { return TextRoom(out.text, count); }

void Put(MapOutput& out, std::string_view text) { PutText(out.text, text); }

// memcpy with no bytes to copy: an empty view may hold no pointer.
char* CopyBytes(char* at, std::string_view text) {
  if (!text.empty()) std::memcpy(at, text.data(), text.size());
  return at + text.size();
}

void PutNumber(MapOutput& out, int64_t value) { PutNumber(out.text, value); }

// Names are kept with hyphens made underscores; the map shows them as the
// copybook writes them.
char* CopyAsWritten(char* at, std::string_view name) {
  CopyBytes(at, name);
  for (char* c = at; c != at + name.size(); c++)
    if (*c == '_') *c = '-';
  return at + name.size();
}

void PutAsWritten(MapOutput& out, std::string_view name) {
  CopyAsWritten(Room(out, name.size()), name);
  out.text->used += name.size();
}

// The format file holds slack before a member only where it writes the
// member's line.
bool LineIsWritten(const FieldNode* member) {
  return member->redefineRole == RR_NONE || member->redefineUsed;
}

// The tables around a member, its own left out.
int32_t OuterTables(const MemberPlace& place) {
  bool own = place.tableCount > 0 && place.tables[place.tableCount - 1].entry == place.member;
  return place.tableCount - own;
}

// Rows in record order from the one walk: slack bytes come before the SYNC
// item they align, and padding follows the alternative used.
struct RowWalk : WalkVisitor {
  MapOutput* out;

  WalkStep Enter(const MemberPlace& place) {
    const FieldNode* member = place.member;
    int32_t outer = OuterTables(place);
    if (place.slack && LineIsWritten(member))
      out->visit(*out, {member, nullptr, ROW_SLACK, place.depth, place.offset - place.slack,
                        place.slack, LeadingAlignment(member), place.tables, outer});
    out->visit(*out, {member, ExtraOf(member).conditions, member->type == FT_STRUCT ? ROW_GROUP : ROW_FIELD,
                      place.depth, place.offset, place.size, 0, place.tables, place.tableCount});
    return WALK_INTO;
  }

  int Leave(const MemberPlace& place) {
    const FieldNode* member = place.member;
    int32_t outer = OuterTables(place);
    if (member->type == FT_STRUCT && out->leave) out->leave(*out, {member, nullptr, ROW_GROUP, place.depth, place.offset, place.size, 0, place.tables, place.tableCount});
    if (member->redefineRole != RR_NONE && member->redefineUsed && member->redefinePadding != 0)
      out->visit(*out, {member, nullptr, ROW_PADDING, place.depth,
                        place.offset - place.slack + FieldFootprint(member), member->redefinePadding, 0,
                        place.tables, outer});
    return 1;
  }

  // Slack bytes that end each occurrence of a table with SYNC items, or a
  // group before a SYNC item; written as bytes, they have no alignment.
  int Close(const StructurePlace& place) {
    const StructNode* structure = place.structure;
    int64_t end = place.base + structure->size;
    if (structure->endAlign != 0 && structure->members && end > place.end)
      out->visit(*out, {structure->members, nullptr, ROW_SLACK, place.depth, place.end, end - place.end,
                        structure->endSlack ? 0 : structure->endAlign, place.tables, place.tableCount});
    return 1;
  }
};

void WalkRows(MapOutput& out, RowVisitor visit, RowVisitor leave) {
  out.visit = visit, out.leave = leave;
  RowWalk walk;
  walk.out = &out;
  WalkRecord(walk);
}

size_t NumberWidth(int64_t value) {
  size_t width = 1;
  for (; value >= 10; value /= 10) width++;
  return width;
}

// Digits written backwards from end; returns where they start.
char* CopyNumberBefore(char* end, int64_t value) {
  do *--end = static_cast<char>('0' + value % 10); while ((value /= 10) != 0);
  return end;
}

char* CopyNumber(char* at, int64_t value) { return std::to_chars(at, at + 24, value).ptr; }

bool Named(const MapRow& row) { return row.kind == ROW_GROUP || row.kind == ROW_FIELD; }

// Slack from an align line has no name; slack written as bytes has one.
constexpr std::string_view SLACK_NAME = "FILLER_SLACK";
bool AlignLine(const MapRow& row) { return row.kind == ROW_SLACK && row.align != 0; }

// The name in the format file: a member's line, or the padding's.
size_t FormatNameLength(const MapRow& row) {
  if (AlignLine(row)) return 0;
  if (row.kind == ROW_SLACK) return SLACK_NAME.size();
  if (row.kind == ROW_PADDING) return 16 + NumberWidth(PaddingNumberOf(row.entry));
  int32_t number = NamesakeNumber(row.entry);
  return WrittenName(row.entry).size() + (number ? 1 + NumberWidth(number) : 0);
}

char* CopyFormatName(char* at, const MapRow& row) {
  if (AlignLine(row)) return at;
  if (row.kind == ROW_SLACK) return CopyBytes(at, SLACK_NAME);
  if (row.kind == ROW_PADDING) {
    std::memcpy(at, "FILLER_REDEFINE_", 16);
    return CopyNumber(at + 16, PaddingNumberOf(row.entry));
  }
  std::string_view name = WrittenName(row.entry);
  CopyBytes(at, name);
  at += name.size();
  if (int32_t number = NamesakeNumber(row.entry)) *at++ = '_', at = CopyNumber(at, number);
  return at;
}

std::string FormatName(const MapRow& row) {
  std::string name(FormatNameLength(row), ' ');
  name.resize(CopyFormatName(name.data(), row) - name.data());
  return name;
}

// The type text; slack is shown as the align line that makes it.
std::string_view Type(MapOutput& out, const MapRow& row) {
  const FieldNode* entry = row.entry;
  if (AlignLine(row)) return out.slackType = "align" + std::to_string(row.align);
  if (row.kind == ROW_PADDING || row.kind == ROW_SLACK) return "hex";
  TypeCache& cache = out.types[entry->type];
  bool suffixed = entry->type == FT_PACKED || entry->type == FT_UPACKED || entry->type == FT_OPUNCH ||
                  entry->type == FT_DIGITS;
  if (!cache.filled || (suffixed && (cache.digits != entry->digits || cache.scale != entry->scale ||
                                     cache.hasDecimalPoint != entry->hasDecimalPoint ||
                                     cache.signLeading != entry->signLeading))) {
    cache = {true, entry->digits, entry->scale, entry->hasDecimalPoint, entry->signLeading, TypeText(entry)};
  }
  return cache.text;
}

std::string_view Redefines(const MapRow& row) {
  return Named(row) && row.entry->redefineRole == RR_REDEFINES ? RedefinesOf(row.entry).redefinesName : std::string_view();
}

std::string_view DependingOn(const MapRow& row) {
  return Named(row) ? ExtraOf(row.entry).dependingName : std::string_view();
}

// Occurrences per dimension, outermost first: "3x5".
size_t OccursLength(const MapRow& row) {
  size_t length = 0;
  for (int32_t i = 0; i < row.tableCount; i++) length += (i ? 1 : 0) + NumberWidth(row.tables[i].count);
  return length;
}

char* CopyOccurs(const MapRow& row, char* at) {
  for (int32_t i = 0; i < row.tableCount; i++) {
    if (i) *at++ = 'x';
    at = CopyNumber(at, row.tables[i].count);
  }
  return at;
}

int64_t Total(const MapRow& row) {
  int64_t total = row.length;
  for (int32_t i = 0; i < row.tableCount; i++) total *= row.tables[i].count;
  return total;
}

// The top structure is made first, so its name has no number.
std::string_view RecordName() {
  return TopStructure->shortName.empty() ? TopStructure->name : TopStructure->shortName;
}

char* CopyHex(char* at, int64_t value) {
  at[0] = '0', at[1] = 'x';
  for (int i = 9; i >= 2; i--, value >>= 4) at[i] = "0123456789ABCDEF"[value & 15];
  return at + 10;
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

void Widen(MapOutput& out, int column, size_t width) {
  if (out.widths[column] < width) out.widths[column] = width;
}

// The widths of the text columns; the numbers' columns are as wide as the
// record's length, as no row passes the record's end.
// Levels take at most two digits, less than their title.
void MeasureRow(MapOutput& out, const MapRow& row) {
  Widen(out, COL_NAME, 2 * row.depth + (Named(row) ? row.entry->name.size() : 0));
  Widen(out, COL_FORMAT_NAME, FormatNameLength(row));
  Widen(out, COL_OCCURS, OccursLength(row));
  Widen(out, COL_TYPE, Type(out, row).size());
  Widen(out, COL_REDEFINES, Redefines(row).size());
  Widen(out, COL_DEPENDING, DependingOn(row).size());
}

// A line is blanked at its full width and the cells are copied into their
// columns; the spaces after the last cell are dropped.
void TextRow(MapOutput& out, const MapRow& row) {
  const size_t* starts = out.starts;
  size_t width = starts[COLUMN_COUNT] - 2;
  char* line = Room(out, width + 1);
  std::memset(line, ' ', width);
  auto right = [&](int column, int64_t value) { CopyNumberBefore(line + starts[column + 1] - 2, value); };
  std::string_view kind = KIND_NAMES[row.kind];
  CopyBytes(line, kind);
  if (Named(row)) {
    right(COL_LEVEL, row.entry->level);
    CopyAsWritten(line + starts[COL_NAME] + 2 * row.depth, row.entry->name);
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
  if (!redefines.empty()) end = CopyAsWritten(line + starts[COL_REDEFINES], redefines);
  if (!depending.empty()) end = CopyAsWritten(line + starts[COL_DEPENDING], depending);
  *end++ = '\n';
  out.text->used += end - line;
}

void WriteText(MapOutput& out) {
  for (int c = 0; c < COLUMN_COUNT; c++) out.widths[c] = COLUMN_TITLES[c].size();
  Widen(out, COL_KIND, KIND_NAMES[ROW_PADDING].size());
  Widen(out, COL_HEX, 10);
  for (int c : {COL_OFFSET, COL_START, COL_END, COL_LENGTH, COL_TOTAL})
    Widen(out, c, NumberWidth(int64_t{TopStructure->size} + 1));
  WalkRows(out, MeasureRow, nullptr);
  for (int c = 0; c < COLUMN_COUNT; c++) out.starts[c + 1] = out.starts[c] + out.widths[c] + 2;
  size_t width = out.starts[COLUMN_COUNT] - 2;
  char* line = Room(out, width + 1);
  std::memset(line, ' ', width);
  for (int c = 0; c < COLUMN_COUNT; c++) {
    std::string_view title = COLUMN_TITLES[c];
    size_t at = RIGHT_ALIGNED[c] ? out.starts[c + 1] - 2 - title.size() : out.starts[c];
    CopyBytes(line + at, title);
  }
  line[width - out.widths[COL_DEPENDING] + COLUMN_TITLES[COL_DEPENDING].size()] = '\n';
  out.text->used += width - out.widths[COL_DEPENDING] + COLUMN_TITLES[COL_DEPENDING].size() + 1;
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

// ---- CSV ----

// A cell is quoted only when it holds a comma, a quote or a line break.
void PutCsvCell(MapOutput& out, std::string_view cell, bool asWritten, char after) {
  bool plain = true;
  for (char c : cell) plain = plain && c != ',' && c != '"' && c != '\r' && c != '\n';
  if (plain) {
    if (asWritten) PutAsWritten(out, cell);
    else Put(out, cell);
  } else {
    std::string quoted = "\"";
    for (char c : cell) quoted += c == '"' ? std::string_view("\"\"") : std::string_view(&c, 1);
    if (asWritten) std::replace(quoted.begin(), quoted.end(), '_', '-');
    Put(out, quoted + '"');
  }
  PutChar(out.text, after);
}

void CsvRow(MapOutput& out, const MapRow& row) {
  Put(out, KIND_NAMES[row.kind]);
  Put(out, ",");
  if (Named(row)) PutNumber(out, row.entry->level);
  Put(out, ",");
  PutCsvCell(out, Named(row) ? row.entry->name : std::string_view(), true, ',');
  PutCsvCell(out, FormatName(row), false, ',');
  PutNumber(out, row.offset);
  Put(out, ",");
  PutNumber(out, row.length);
  Put(out, ",");
  char* at = Room(out, OccursLength(row) + 1);
  out.text->used += CopyOccurs(row, at) - at;
  Put(out, ",");
  PutNumber(out, Total(row));
  Put(out, ",");
  PutCsvCell(out, Type(out, row), false, ',');
  PutCsvCell(out, Redefines(row), true, ',');
  PutCsvCell(out, DependingOn(row), true, '\r');
  Put(out, "\n");
}

void WriteCsv(MapOutput& out) {
  Put(out, "kind,level,name,format_name,offset,length,occurs,total,type,redefines,depending_on\r\n");
  WalkRows(out, CsvRow, nullptr);
}

// ---- JSON ----

// Bytes of the well-formed UTF-8 sequence that starts text, or 0: no
// overlong forms, no surrogates, nothing past U+10FFFF.
size_t Utf8Length(std::string_view text) {
  auto byte = [&](size_t i) { return i < text.size() ? static_cast<unsigned char>(text[i]) : 0; };
  unsigned char lead = byte(0), second = byte(1);
  size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead <= 0xDF ? 2
                : lead >= 0xE0 && lead <= 0xEF ? 3 : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
  if (length >= 2 && ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) ||
                      (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F)))
    return 0;
  for (size_t i = 1; i < length; i++)
    if ((byte(i) & 0xC0) != 0x80) return 0;
  return length;
}

// JSON text is UTF-8: well-formed UTF-8 passes as it is, any other byte is
// taken as the Latin-1 letter of its code. Quotes, backslashes and control
// characters are escaped; "\u001f" is the longest escape.
void PutJsonString(MapOutput& out, std::string_view value, bool asWritten = false) {
  char* at = Room(out, 6 * value.size() + 2);
  char* end = at;
  *end++ = '"';
  for (size_t i = 0; i < value.size();) {
    char c = value[i];
    size_t length = static_cast<unsigned char>(c) < 0x80 ? 1 : Utf8Length(value.substr(i));
    if (c == '"' || c == '\\') {
      *end++ = '\\', *end++ = c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      end += std::snprintf(end, 7, "\\u%04x", static_cast<unsigned char>(c));
    } else if (length == 0) {
      *end++ = static_cast<char>(0xC0 | static_cast<unsigned char>(c) >> 6);
      *end++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {
      end = CopyBytes(end, value.substr(i, length));
      if (asWritten && c == '_') end[-1] = '-';
    }
    i += length ? length : 1;
  }
  *end++ = '"';
  out.text->used += end - at;
}

// A name as the copybook writes it, or null when there is none.
void PutJsonName(MapOutput& out, std::string_view name) {
  if (name.empty())
    Put(out, "null");
  else
    PutJsonString(out, name, true);
}

void PutJsonValue(MapOutput& out, ValueKind kind, std::string_view value) {
  PutJsonString(out, kind == VK_LOW_VALUE ? "LOW-VALUE" : kind == VK_HIGH_VALUE ? "HIGH-VALUE" : value);
}

// Values in order; a range is an object {"from": ..., "thru": ...}.
void PutJsonValues(MapOutput& out, const FieldNode* condition) {
  Put(out, ",\"values\":[");
  ValueKind kind = condition->firstValueKind;
  std::string_view value = condition->valueText;
  const ConditionValue* more = ExtraOf(condition).moreValues;
  for (bool first = true; kind != VK_NONE; first = false) {
    if (!first) Put(out, ",");
    bool range = more && more->thru;
    if (range) Put(out, "{\"from\":");
    PutJsonValue(out, kind, value);
    if (range) {
      Put(out, ",\"thru\":");
      PutJsonValue(out, more->kind, more->text);
      Put(out, "}");
      more = more->next;
    }
    kind = more ? more->kind : VK_NONE;
    value = more ? more->text : std::string_view();
    if (more) more = more->next;
  }
  Put(out, "]");
}

void JsonRow(MapOutput& out, const MapRow& row) {
  // A row follows the opening of its list, or a sibling.
  Put(out, out.listOpened ? "\n" : ",\n");
  out.listOpened = row.kind == ROW_GROUP;
  for (int32_t level = 0; level <= row.depth; level++) Put(out, "  ");
  Put(out, "{\"kind\":\"");
  Put(out, KIND_NAMES[row.kind]);
  Put(out, "\",\"level\":");
  if (Named(row))
    PutNumber(out, row.entry->level);
  else
    Put(out, "null");
  Put(out, ",\"name\":");
  PutJsonName(out, Named(row) ? row.entry->name : std::string_view());
  Put(out, ",\"format_name\":");
  if (AlignLine(row))
    Put(out, "null");
  else
    PutJsonString(out, FormatName(row));
  Put(out, ",\"offset\":");
  PutNumber(out, row.offset);
  Put(out, ",\"length\":");
  PutNumber(out, row.length);
  Put(out, ",\"occurs\":[");
  for (int32_t i = 0; i < row.tableCount; i++) {
    const TableDimension& table = row.tables[i];
    Put(out, i ? ",{\"count\":" : "{\"count\":");
    PutNumber(out, table.count);
    Put(out, ",\"stride\":");
    PutNumber(out, table.stride);
    Put(out, ",\"depending_on\":");
    PutJsonName(out, table.depending);
    Put(out, "}");
  }
  Put(out, "],\"type\":\"");
  Put(out, Type(out, row));
  Put(out, "\",\"redefines\":");
  PutJsonName(out, Redefines(row));
  Put(out, ",\"conditions\":[");
  for (const FieldNode* c = row.conditions; c; c = c->next) {
    Put(out, c == row.conditions ? "{\"name\":" : ",{\"name\":");
    PutJsonName(out, c->name);
    PutJsonValues(out, c);
    Put(out, "}");
  }
  Put(out, row.kind == ROW_GROUP ? "],\"children\":[" : "]}");
}

void JsonLeave(MapOutput& out, const MapRow&) {
  Put(out, "]}");
  out.listOpened = false;
}

void WriteJson(MapOutput& out) {
  Put(out, "{\"record\":");
  PutJsonString(out, RecordName());
  Put(out, ",\"length\":");
  PutNumber(out, TopStructure->size);
  Put(out, ",\"fields\":[");
  out.listOpened = true;
  WalkRows(out, JsonRow, JsonLeave);
  Put(out, "\n]}\n");
}

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
    case MAP_TEXT: WriteText(out); break;
    case MAP_CSV: WriteCsv(out); break;
    case MAP_JSON: WriteJson(out); break;
  }
  if (FinishOutputFile(&file)) return 1;
  if (IsStandardOutput()) std::fprintf(stderr, "Error writing the map to standard output\n");
  return 0;
}
