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

static int Length(std::string_view text) { return static_cast<int>(text.size()); }

int WriteEnumerations(FILE* stream, StructNode* structure, int32_t* count) {
  for (FieldNode* member = structure->members; member; member = member->next) {
    if (!member->conditions) continue;
    EnumForm form = FormOf(member->type);
    bool opened = false;
    for (FieldNode* c = form == ENUM_NONE ? nullptr : member->conditions; c; c = c->next) {
      if (c->valueKind != VK_LITERAL) continue;
      if (!opened) {
        std::fprintf(stream, form == ENUM_QUOTED ? "enum %.*s_enum\n{\n" : "enum_int %.*s_enum\n{\n",
                     Length(member->name), member->name.data());
        opened = true;
      }
      std::fprintf(stream, form == ENUM_QUOTED ? "  \"%.*s\",  \"%.*s\";\n" : "  %.*s,  \"%.*s\";\n",
                   Length(c->valueText), c->valueText.data(), Length(c->name), c->name.data());
    }
    if (opened) {
      std::fputs("}\n\n", stream);
      (*count)++;
      member->hasEnumeration = true;  // only a block written is referred to
    }
  }
  return 1;
}
