// The plan unrolled for layouts whose every field has one place: one op a
// written cell, in order, each with the text that goes before it (a comma;
// JSON keys, brackets and braces) rendered once. A record runs through the
// ops with no table frames and no per-step branches on the form.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "decoder/plan.h"
#include "decoder/values.h"

enum FlatKind : uint8_t {
  FK_TEXT = 0,        // characters two bytes a lookup, trailing spaces cut
  FK_ZONED = 1,       // display digits (at most 16), sign in no zone
  FK_ZONED_LAST = 2,  // sign in the last digit's zone
  FK_ZONED_FIRST = 3, // sign in the first digit's zone
  FK_PACKED = 4,      // packed decimal of at most 8 bytes
  FK_NIBBLES = 5,     // unsigned packed without a sign nibble, at most 8 bytes
  FK_BINARY = 6,      // big-endian binary
  FK_OTHER = 7,       // the step's own writer
};

struct FlatOp {
  uint32_t offset;          // in the record
  uint32_t width;
  uint32_t literal;         // start of the text before the cell in FlatPlan::literals
  uint32_t literalLength;
  FlatKind kind;
  bool isSigned;
  int16_t scale;
  int32_t step;             // in Plan::steps
};

struct FlatPlan {
  bool usable;              // false: the layout's tables vary, or it is too large
  std::vector<FlatOp> ops;
  std::string literals;     // 16 bytes can be read past any literal's start
  uint32_t tail, tailLength;  // after the last cell: closing brackets, the line end
  // Two data bytes (the first in the low byte of the index) as the two
  // ASCII bytes they give when neither needs quoting or escaping; a zero
  // byte where one does, gives more than one byte or none.
  std::vector<uint16_t> pairs;
};

// Unrolls plan for the form; flat->usable tells whether it could be.
void CompileFlatPlan(const Plan& plan, OutputForm form, FlatPlan* flat);

// One record of the layout's whole length as its row at out; null when a
// field is not valid (the record is then run through the plan's steps,
// which report it). out has room for the plan's mostOutput bytes.
template <OutputForm FORM>
char* FlatRow(const FlatPlan& flat, const Plan& plan, const uint8_t* record, char* out, bool ibmFloats);
