// The decode plan: the record layout compiled once, from the one offset
// walk, into a flat list of steps that each record runs through.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum StepKind : uint8_t {
  SK_TEXT = 0,       // characters through the code page
  SK_ZONED = 1,      // display number, sign in a digit's zone or none
  SK_SEPARATE = 2,   // display number with a sign character of its own
  SK_PACKED = 3,     // packed decimal
  SK_BINARY = 4,     // big-endian binary
  SK_FLOAT = 5,      // COMP-1
  SK_DOUBLE = 6,     // COMP-2
  SK_NATIONAL = 7,   // UTF-16BE characters
  SK_HEX = 8,        // bytes shown in hexadecimal
  SK_TABLE = 9,      // an OCCURS table's occurrences run up to its end step
  SK_TABLE_END = 10,
  SK_GROUP = 11,     // a group's members up to its end step
  SK_GROUP_END = 12,
  SK_DIGIT_PAIRS = 13,  // packed digits with no sign nibble (COMP-6)
};

constexpr bool IsFieldStep(StepKind kind) { return kind <= SK_HEX || kind == SK_DIGIT_PAIRS; }

// Where a display number carries its sign; for packed and binary steps,
// SIGN_TRAILING stands for "signed".
enum StepSign : uint8_t { SIGN_NONE = 0, SIGN_TRAILING = 1, SIGN_LEADING = 2 };

struct Step {
  uint32_t offset;   // from the start of the occurrence around it, or of the record
  uint32_t width;    // bytes of the field; a table's: bytes of one occurrence
  StepKind kind;
  StepSign sign;
  bool keyed;        // JSON: written after its key (not an array element)
  bool hidden;       // read only for a DEPENDING ON value: written nowhere
  int16_t scale;     // digits after the point; < 0: zeros after the digits
  int16_t digits;    // display and packed numbers: digit positions held
  int32_t name;      // index in Plan::names
  int32_t slot;      // a field: keeps its value there for a table (-1: no);
                     // a table: the slot of its DEPENDING ON object (-1: none)
  int32_t count;     // a table: occurrences (the most for DEPENDING ON)
  int32_t least;     // a table: fewest occurrences allowed
  int32_t jump;      // a table: index of its end step; an end step: its start
  int32_t cells;     // a table: CSV cells of one occurrence
  int32_t probe;     // a table: index in Plan::probes of its object read in
                     // place (-1: the slot is filled by a step before it)
};

struct Plan {
  std::vector<Step> steps;
  std::vector<Step> probes;        // objects read at their offset in the record
  std::vector<std::string> names;  // format names of fields, groups and tables
  int64_t recordLength;            // the layout's bytes, tables at their largest
  int32_t slotCount;
  int32_t cellCount;               // CSV cells of a record
  int64_t mostOutput;              // bytes one record can take as CSV or JSON
  bool varies;                     // a table's count moves what follows it
};

// Compiles the laid-out record; 0 after a message when it can not be decoded.
int CompilePlan(Plan* plan, bool variableOccurs);
