// Enumeration blocks: one per member whose condition names give at least
// one single literal value.
#include "writer/writer.h"

enum EnumForm { ENUM_NONE, ENUM_QUOTED, ENUM_INTEGER };

static EnumForm FormOf(FieldType type) {
  switch (type) {
    case FT_CHAR: case FT_DOUBLE: case FT_FLOAT: case FT_PACKED: case FT_UPACKED:
    case FT_OPUNCH: case FT_DIGITS:
      return ENUM_QUOTED;
    case FT_SHORT: case FT_USHORT: case FT_INT32: case FT_UINT32: case FT_INT64:
    case FT_UINT64: case FT_INT8: case FT_UINT8:
      return ENUM_INTEGER;
    default:
      return ENUM_NONE;  // no block can describe it
  }
}

void WriteEnumerations(TextOut* out, StructNode* structure, int32_t* count) {
  for (FieldNode* member = structure->members; member; member = member->next) {
    if (!ExtraOf(member).conditions) continue;
    EnumForm form = FormOf(member->type);
    bool opened = false;
    for (FieldNode* c = form == ENUM_NONE ? nullptr : ExtraOf(member).conditions; c; c = c->next) {
      if (c->valueKind != VK_LITERAL) continue;
      if (!opened) {
        PutText(out, form == ENUM_QUOTED ? "enum " : "enum_int ");
        PutName(out, member->name);
        PutText(out, "_enum\n{\n");
        opened = true;
      }
      PutText(out, form == ENUM_QUOTED ? "  \"" : "  ");
      PutText(out, c->valueText);
      PutText(out, form == ENUM_QUOTED ? "\",  \"" : ",  \"");
      PutName(out, c->name);
      PutText(out, "\";\n");
    }
    if (opened) {
      PutText(out, "}\n\n");
      (*count)++;
      member->hasEnumeration = true;  // only a block written is referred to
    }
  }
}
