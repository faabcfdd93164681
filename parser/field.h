// The record of one data description entry, from parsing to writing.
#pragma once

#include <cstdint>
#include <string_view>

struct StructNode;

constexpr int32_t CONDITION_LEVEL = 88;  // a condition name

// Storage type; the values are fixed: 5 to 12 are binary and floating,
// 13 and 14 packed, 18 and 19 signed display.
enum FieldType : uint8_t {
  FT_UNSET = 0,      // not known yet
  FT_STRUCT = 1,     // group item
  FT_CHAR = 2,       // alphanumeric, or unsigned display number
  FT_HEX = 3,        // bytes shown in hexadecimal
  FT_NUMERIC = 4,    // numeric, storage not chosen yet
  FT_DOUBLE = 5,     // COMP-2
  FT_FLOAT = 6,      // COMP-1
  FT_SHORT = 7,
  FT_USHORT = 8,
  FT_INT32 = 9,
  FT_UINT32 = 10,
  FT_INT64 = 11,
  FT_UINT64 = 12,
  FT_PACKED = 13,    // signed packed decimal
  FT_UPACKED = 14,   // unsigned packed decimal
  FT_CONDITION = 15, // level-88 entry with a VALUE clause
  FT_INT8 = 16,
  FT_UINT8 = 17,
  FT_OPUNCH = 18,    // signed display, sign carried in a digit
  FT_DIGITS = 19,    // signed display, separate sign character
};
constexpr int32_t FIELD_TYPE_COUNT = 20;

inline bool IsBinaryOrFloat(FieldType type) {
  return type >= FT_DOUBLE && type <= FT_UINT64;
}

enum FieldUsage : uint8_t {
  FU_DISPLAY = 0,
  FU_COMP1 = 1,
  FU_COMP2 = 2,
  FU_PACKED = 3,
  FU_BINARY = 4,
  FU_POINTER = 5,
  FU_PROCEDURE_POINTER = 6,
  FU_INDEX = 7,      // a table index: 4-byte binary
  FU_NATIONAL = 8,
  FU_DISPLAY1 = 9,   // DBCS
  // Usages of other compilers.
  FU_BINARY_CHAR = 10,    // 1 byte, SIGNED unless UNSIGNED is written
  FU_BINARY_SHORT = 11,   // 2 bytes
  FU_BINARY_LONG = 12,    // 4 bytes
  FU_BINARY_DOUBLE = 13,  // 8 bytes
  FU_COMP_X = 14,         // binary in the fewest bytes that hold the digits;
                          // on an X picture, a byte a position
  FU_COMP6 = 15,          // unsigned packed decimal without a sign half-byte
};

enum ValueKind : uint8_t {
  VK_NONE = 0,        // no VALUE clause
  VK_LITERAL = 1,     // exactly one value, in valueText
  VK_LOW_VALUE = 2,
  VK_HIGH_VALUE = 3,
  VK_LIST = 4,        // more values follow the first
  VK_RANGE = 5,       // the first value is followed by THRU
};

enum RedefineRole : uint8_t {
  RR_NONE = 0,
  RR_REDEFINED = 1,   // heads a redefine chain
  RR_REDEFINES = 2,   // has a REDEFINES clause
};

// A value of a level-88 entry after its first (kept for the layout map).
struct ConditionValue {
  ConditionValue* next;         // the entry's next value
  std::string_view text;        // as FieldNode::valueText
  ValueKind kind;               // VK_LITERAL, VK_LOW_VALUE or VK_HIGH_VALUE
  bool thru;                    // ends a range that the value before starts
};

struct FieldNode;

// The side record of an entry whose only rare members are its REDEFINES
// clause: most redefining entries need nothing more. A FieldExtra begins
// with the same members, so either serves a reader of these.
struct RedefineExtra {
  std::string_view redefinesName;   // the name written after REDEFINES
  FieldNode* redefinesTarget;   // head of the chain this entry redefines
};

// Members that few entries use, in a side record made on the first write
// to one of them, so that the entry record stays small.
struct FieldExtra : RedefineExtra {
  std::string_view dependingName;   // OCCURS ... DEPENDING ON object
  std::string_view shortName;   // name without StripPrefix; empty: use name
  int32_t occursMax;            // OCCURS upper bound; 0 without OCCURS
  int32_t occursMin;            // OCCURS m TO n: m; else the bound
  FieldNode* conditions;        // level-88 entries hung on this entry
  ConditionValue* moreValues;   // level 88: the values after the first
};

// Texts are views into the line store, or the constant "FILLER"; never
// copied, never changed and never terminated. Wide members first, so that
// no padding lies between them.
struct FieldNode {
  FieldNode* next;              // next member of the group, or next condition
  std::string_view name;        // as the copybook writes it
  RedefineExtra* extra;         // the rarely used members; null: all empty;
                                // a whole FieldExtra when wholeExtra
  std::string_view valueText;   // level 88: the first value
  StructNode* structure;        // a group's members
  int32_t duplicateCount;       // earlier members of the group so named
  int32_t level;                // level number as written
  int32_t size;                 // bytes of one occurrence; 0 for a group
  int32_t digits;               // PICTURE positions before the point
  int32_t scale;                // PICTURE positions after the point
  int32_t redefinePadding;      // bytes short of the chain's longest
  FieldType type;
  FieldUsage usage;
  ValueKind valueKind;          // level 88: what VALUE gave
  RedefineRole redefineRole;
  uint8_t alignRemainder;       // offset modulo size (at most 8), binary and floating
  int8_t scaling;               // P positions: > 0 between the point and the
                                // digits (PPP9, VPP9), < 0 zeros after them (9PPP)
  bool isSigned : 1;            // S in the PICTURE
  bool signSeparate : 1;        // SIGN ... SEPARATE
  bool signLeading : 1;         // SIGN LEADING
  bool hasSignClause : 1;       // a SIGN clause was written
  bool hasDecimalPoint : 1;     // V or P in the PICTURE
  bool isSync : 1;              // SYNC given
  bool redefineUsed : 1;        // this alternative is the one written
  bool usageWritten : 1;        // a USAGE clause, DISPLAY included, was written
  bool hasEnumeration : 1;      // an enumeration block names its conditions
  bool wholeExtra : 1;          // extra is a FieldExtra, not only its head
  bool isNumber : 1;            // a numeric PICTURE or USAGE, whatever its storage
  bool isNational : 1;          // PIC N: UTF-16 characters
  ValueKind firstValueKind : 3; // level 88: the first value's kind, also of a list
};

// The side record of an entry without one: every member empty.
inline constexpr FieldExtra NO_FIELD_EXTRA{};

// The rarely used members of node, for reading.
inline const FieldExtra& ExtraOf(const FieldNode* node) {
  return node->wholeExtra ? *static_cast<const FieldExtra*>(node->extra) : NO_FIELD_EXTRA;
}

// The REDEFINES members of node, for reading.
inline const RedefineExtra& RedefinesOf(const FieldNode* node) {
  if (node->extra) return *node->extra;
  return NO_FIELD_EXTRA;
}

// The next entry of the redefine chain that entry heads or belongs to, or
// null; read after resolution, which leaves the entries redefining an
// area right after it in its group.
inline FieldNode* NextRedefine(const FieldNode* entry) {
  FieldNode* next = entry->next;
  return next && next->redefineRole == RR_REDEFINES ? next : nullptr;
}

// The side record of node, made whole when it is not; null after printing
// that there is no memory for it.
FieldExtra* FieldExtraOf(FieldNode* node);
// The REDEFINES members of node, made when it has no side record; null
// after printing that there is no memory for them.
RedefineExtra* RedefineExtraOf(FieldNode* node);

// The type word of a FieldType; "???" for types without one.
const char* FieldTypeName(int32_t type);
