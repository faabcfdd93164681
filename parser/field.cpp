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
  return type >= 0 && type < FIELD_TYPE_COUNT ? FIELD_TYPE_NAMES[type] : "???";
}

FieldExtra* FieldExtraOf(FieldNode* node) {
  if (!node->extra) {
    node->extra = CSNewArenaRecord<FieldExtra>();
    if (!node->extra) CSReportNoMemory(sizeof(FieldExtra));
  }
  return node->extra;
}
