// The layout map's rows: every entry of the record with its offset and
// length, in record order, read from the one offset walk when the map is
// written, after the format file, because only then is it known which
// alternative of each redefine chain the format file uses; and the cells
// the three forms of the map (text table, CSV, JSON) make of a row.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "layout/walk.h"
#include "writer/text_out.h"

enum RowKind : int32_t { ROW_GROUP = 0, ROW_FIELD = 1, ROW_SLACK = 2, ROW_PADDING = 3 };
constexpr std::string_view KIND_NAMES[] = {"group", "field", "slack", "padding"};  // by RowKind

struct MapRow {
  const FieldNode* entry;        // the entry; for slack and padding, the one they serve
  const FieldNode* conditions;   // level-88 entries
  RowKind kind;
  int32_t depth;                 // 0 for members of the record's outer structure
  int64_t offset;                // from the record's start, first occurrence
  int64_t length;                // bytes of one occurrence
  int32_t align;                 // slack: the boundary of its align line; 0: written as bytes
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
  TypeCache types[FIELD_TYPE_COUNT];
  std::string slackType;         // "alignN" of the latest slack row
};

// Every row of the record in order; leave follows a group's members.
void WalkRows(MapOutput& out, RowVisitor visit, RowVisitor leave);

// The three forms.
void WriteMapText(MapOutput& out);
void WriteMapCsv(MapOutput& out);
void WriteMapJson(MapOutput& out);

// ---- Writing into the output ----

// Room for count more bytes at the end of the output; the writer adds
// what it wrote to out.text->used.
inline char* Room(MapOutput& out, size_t count) { return TextRoom(out.text, count); }

inline void Put(MapOutput& out, std::string_view text) { PutText(out.text, text); }

// memcpy with no bytes to copy: an empty view may hold no pointer.
inline char* CopyBytes(char* at, std::string_view text) {
  if (!text.empty()) std::memcpy(at, text.data(), text.size());
  return at + text.size();
}

inline void PutNumber(MapOutput& out, int64_t value) { PutNumber(out.text, value); }

// ---- Cells of a row ----

size_t NumberWidth(int64_t value);
// Digits written backwards from end; returns where they start.
char* CopyNumberBefore(char* end, int64_t value);
char* CopyNumber(char* at, int64_t value);
// An entry's row, not slack or padding.
bool Named(const MapRow& row);
// Slack the format file makes with an align line (else with bytes).
bool AlignLine(const MapRow& row);
// The name in the format file: a member's line, or the padding's.
size_t FormatNameLength(const MapRow& row);
char* CopyFormatName(char* at, const MapRow& row);
std::string FormatName(const MapRow& row);
// The type text; slack is shown as the align line that makes it.
std::string_view Type(MapOutput& out, const MapRow& row);
std::string_view Redefines(const MapRow& row);
std::string_view DependingOn(const MapRow& row);
// Occurrences per dimension, outermost first: "3x5".
size_t OccursLength(const MapRow& row);
char* CopyOccurs(const MapRow& row, char* at);
int64_t Total(const MapRow& row);
std::string RecordName();
// "0x" and eight hexadecimal digits.
char* CopyHex(char* at, int64_t value);
