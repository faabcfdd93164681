// Structure blocks: a header, one line per written member, a closing brace.
#include <cstdio>

#include "driver/settings.h"
#include "writer/writer.h"

static int Length(std::string_view text) { return static_cast<int>(text.size()); }

// Digits, scale and sign position of packed and signed display members.
static std::string SizeSuffix(const FieldNode* member) {
  std::string suffix = "(" + std::to_string(member->digits);
  if (member->hasDecimalPoint) suffix += "." + std::to_string(member->scale);
  if (member->type == FT_OPUNCH || member->type == FT_DIGITS)
    suffix += member->signLeading ? ",signleft" : ",signright";
  return suffix + ")";
}

// The suffix is padded, or cut, to the column's width.
static std::string Fitted(std::string text, size_t width) {
  text.resize(width, ' ');
  return text;
}

// The 17-character type column of a member (26 for opunch and digits).
static std::string TypeColumn(const FieldNode* member) {
  switch (member->type) {
    case FT_STRUCT: return "  struct         ";
    case FT_CHAR: return "  char           ";
    case FT_DOUBLE: return "  double         ";
    case FT_FLOAT: return "  float          ";
    case FT_SHORT: return "  short          ";
    case FT_USHORT: return "  ushort         ";
    case FT_INT32: return "  int            ";
    case FT_UINT32: return "  uint           ";
    case FT_INT64: return "  int64          ";
    case FT_UINT64: return "  uint64         ";
    case FT_INT8: return "  int8           ";
    case FT_UINT8: return "  uint8          ";
    case FT_PACKED: return "  packed" + Fitted(SizeSuffix(member), 7) + "  ";
    case FT_UPACKED: return "  upacked" + Fitted(SizeSuffix(member), 7) + " ";
    case FT_OPUNCH: return "  opunch" + Fitted(SizeSuffix(member), 17) + " ";
    case FT_DIGITS: return "  digits" + Fitted(SizeSuffix(member), 17) + " ";
    default: return "  hex            ";
  }
}

// Types whose storage a SYNC clause aligns; on any other it is ignored.
static bool SyncAligns(FieldType type) {
  return IsBinaryOrFloat(type);
}

// Whether the member's line is written. The members of a redefine chain
// follow one another, head first, so chainTaken tells whether an earlier
// member of the current chain has been written.
static bool MemberIsWritten(FieldNode* member, bool* chainTaken) {
  switch (member->redefineRole) {
    case RR_NONE:
      return true;
    case RR_REDEFINED:
      *chainTaken = false;
      for (FieldNode* other = member->nextRedefine; other; other = other->nextRedefine)
        if (RedefinitionWanted(other->name)) return false;
      member->redefineUsed = true;
      *chainTaken = true;
      return true;
    default:
      if (!RedefinitionWanted(member->name) || *chainTaken) return false;
      member->redefineUsed = true;
      *chainTaken = true;
      RedefinitionsUsed++;
      if (!(OptionFlags & OPT_QUIET_REDEFINES))
        std::printf("REDEFINE definition '%.*s' used instead of '%.*s'\n",
                    Length(member->name), member->name.data(),
                    Length(member->redefinesName), member->redefinesName.data());
      return true;
  }
}

static void WriteMemberLine(FILE* stream, const FieldNode* member) {
  if (member->isSync && SyncAligns(member->type))
    std::fprintf(stream, "  align%d;\n", member->size);
  std::string column = TypeColumn(member);
  std::fwrite(column.data(), 1, column.size(), stream);
  std::string_view name = member->shortName.empty() ? member->name : member->shortName;
  std::fwrite(name.data(), 1, name.size(), stream);
  int32_t number = member->type == FT_STRUCT
                       ? (member->structure ? member->structure->duplicateCount : 0)
                       : member->duplicateCount;
  if (number != 0) std::fprintf(stream, "_%d", number);
  if ((member->type == FT_CHAR || member->type == FT_HEX) &&
      (member->size > 1 || member->occursCount >= 2))
    std::fprintf(stream, "[%d]", member->size);
  if (!member->dependingName.empty())
    std::fprintf(stream, "[%.*s]", Length(member->dependingName), member->dependingName.data());
  else if (member->occursCount > 1)
    std::fprintf(stream, "[%d]", member->occursCount);
  if (member->conditions)
    std::fprintf(stream, "(%.*s_enum)", Length(member->name), member->name.data());
  bool high = !(OptionFlags & OPT_FILLER_NOT_HIGH) && member->type != FT_STRUCT &&
              FindFiller(member->name) != std::string_view::npos;
  if (high) std::fputs(" : high ", stream);
  if ((OptionFlags & OPT_LIMVAL_ALL) && member->conditions)
    std::fputs(high ? "limval " : " : limval ", stream);
  std::fputs(";\n", stream);
}

int WriteStructure(FILE* stream, StructNode* structure) {
  std::string_view name = structure->shortName.empty() ? structure->name : structure->shortName;
  std::fprintf(stream, "struct %.*s", Length(name), name.data());
  if (structure->duplicateCount != 0) std::fprintf(stream, "_%d", structure->duplicateCount);
  std::fputs("\n{\n", stream);
  bool chainTaken = false;
  for (FieldNode* member = structure->members; member; member = member->next) {
    if (MemberIsWritten(member, &chainTaken)) WriteMemberLine(stream, member);
    if (member->redefineRole != RR_NONE && member->redefineUsed && member->redefinePadding != 0) {
      std::fprintf(stream, "  hex            FILLER_REDEFINE_%d[%d];\n", FillerRedefineNumber++,
                   member->redefinePadding);
      std::printf("Extra %d FILLER_REDEFINE Byte%s added after field %.*s\n",
                  member->redefinePadding, member->redefinePadding > 1 ? "s" : "",
                  Length(member->name), member->name.data());
    }
  }
  // The slack that ends each occurrence of a table with SYNC items.
  if (structure->occurrenceAlign != 0) std::fprintf(stream, "  align%d;\n", structure->occurrenceAlign);
  std::fputs("}\n\n", stream);
  return 1;
}
