#include "parser/field.h"

#include <cstdio>

#include "cs/cs.h"

// In FieldType order.
static constexpr const char* FIELD_TYPE_NAMES[] = {
    "???",    "struct", "char",   "hex",     "???",   "double", "float",
    "short",  "ushort", "int32",  "uint32",  "int64", "uint64", "packed",
    "upacked", "???",   "int8",   "uint8",   "opunch", "digits",
};
static_assert(sizeof FIELD_TYPE_NAMES / sizeof *FIELD_TYPE_NAMES == FIELD_TYPE_COUNT,
              "a name for every FieldType");

const char* FieldTypeName(int32_t type) {
  return static_cast<uint32_t>(type) < uint32_t{FIELD_TYPE_COUNT} ? FIELD_TYPE_NAMES[type] : "???";
}

FieldExtra* FieldExtraOf(FieldNode* node) {
  if (!node->wholeExtra) {
    auto* whole = CSNewArenaRecord<FieldExtra>();
    if (!whole) {
      CSReportNoMemory(sizeof(FieldExtra));
      return nullptr;
    }
    // A REDEFINES read before a clause that needs more moves over; its
    // small record is left in the arena.
    if (node->extra) static_cast<RedefineExtra&>(*whole) = *node->extra;
    node->extra = whole;
    node->wholeExtra = true;
  }
  return static_cast<FieldExtra*>(node->extra);
}

RedefineExtra* RedefineExtraOf(FieldNode* node) {
  if (!node->extra) {
    node->extra = CSNewArenaRecord<RedefineExtra>();
    if (!node->extra) CSReportNoMemory(sizeof(RedefineExtra));
  }
  return node->extra;
}
