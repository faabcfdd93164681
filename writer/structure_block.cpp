// Structure blocks: a header, one line per written member, a closing brace.
#include <algorithm>
#include <cstdio>
#include <unordered_map>

#include "driver/settings.h"
#include "writer/writer.h"

int32_t FillerRedefineNumber;
int32_t RedefinitionsUsed;
// Written here as the padding lines are, and read by the map.
std::unordered_map<const FieldNode*, int32_t> PaddingNumbers;

int32_t PaddingNumberOf(const FieldNode* member) { return PaddingNumbers.at(member); }


// Writes digits, scale and sign position of a packed or signed display
// member, cut to the room its column leaves it.
static void PutSizeSuffix(TextOut* out, const FieldNode* member, size_t width) {
  char suffix[64];
  TextOut local{nullptr, suffix, 0, sizeof suffix};  // never flushed: at most 35 bytes
  PutChar(&local, '(');
  PutNumber(&local, member->digits);
  if (member->hasDecimalPoint) {
    PutChar(&local, '.');
    PutNumber(&local, member->scale);
  }
  if (member->type == FT_OPUNCH || member->type == FT_DIGITS)
    PutText(&local, member->signLeading ? ",signleft" : ",signright");
  PutChar(&local, ')');
  PutText(out, std::string_view(suffix, std::min(local.used, width)));
}

// The type without its column padding: "char", "packed(7.2)".
static void PutTypeText(TextOut* out, const FieldNode* member) {
  switch (member->type) {
    case FT_STRUCT: return PutText(out, "struct");
    case FT_CHAR: return PutText(out, "char");
    case FT_DOUBLE: return PutText(out, "double");
    case FT_FLOAT: return PutText(out, "float");
    case FT_SHORT: return PutText(out, "short");
    case FT_USHORT: return PutText(out, "ushort");
    case FT_INT32: return PutText(out, "int");
    case FT_UINT32: return PutText(out, "uint");
    case FT_INT64: return PutText(out, "int64");
    case FT_UINT64: return PutText(out, "uint64");
    case FT_INT8: return PutText(out, "int8");
    case FT_UINT8: return PutText(out, "uint8");
    case FT_PACKED: PutText(out, "packed"); return PutSizeSuffix(out, member, 7);
    case FT_UPACKED: PutText(out, "upacked"); return PutSizeSuffix(out, member, 7);
    case FT_OPUNCH: PutText(out, "opunch"); return PutSizeSuffix(out, member, 17);
    case FT_DIGITS: PutText(out, "digits"); return PutSizeSuffix(out, member, 17);
    default: return PutText(out, "hex");
  }
}

std::string TypeText(const FieldNode* member) {
  char text[32];
  TextOut local{nullptr, text, 0, sizeof text};  // never flushed: at most 24 bytes
  PutTypeText(&local, member);
  return std::string(text, local.used);
}

// The 17-character type column of a member (26 for opunch and digits).
static void PutTypeColumn(TextOut* out, const FieldNode* member) {
  char column[32] = "  ";
  TextOut local{nullptr, column, 2, sizeof column};  // never flushed: at most 26 bytes
  PutTypeText(&local, member);
  size_t width = member->type == FT_OPUNCH || member->type == FT_DIGITS ? 26 : 17;
  while (local.used < width) column[local.used++] = ' ';
  PutText(out, std::string_view(column, width));
}

// The first FILLER (upper case) in the text, or npos.
static size_t FindFiller(std::string_view text) { return text.find("FILLER"); }

// Types whose storage a SYNC clause aligns; on any other it is ignored.
static bool SyncAligns(FieldType type) {
  return IsBinaryOrFloat(type);
}

// A redefinition written in place of what it redefines is counted and,
// unless -O r, reported.
static void ReportRedefinitionUsed(const FieldNode* member) {
  RedefinitionsUsed++;
  if (OptionFlags & OPT_QUIET_REDEFINES) return;
  std::printf("REDEFINE definition '%s' used instead of '%s'\n", FormatNameOf(member->name).c_str(),
              FormatNameOf(RedefinesOf(member).redefinesName).c_str());
}

// "[n]": a dimension.
static void PutDimension(TextOut* out, int32_t count) {
  PutChar(out, '[');
  PutNumber(out, count);
  PutChar(out, ']');
}

static void WriteMemberLine(TextOut* out, const FieldNode* member) {
  // A group that begins with a SYNC item begins on its boundary.
  bool group = member->type == FT_STRUCT && SlackBefore(member) != 0;
  if ((member->isSync && SyncAligns(member->type)) || group) {
    PutText(out, "  align");
    PutNumber(out, group ? LeadingAlignment(member) : NaturalAlignment(member));
    PutText(out, ";\n");
  }
  PutTypeColumn(out, member);
  const FieldExtra& extra = ExtraOf(member);
  PutName(out, WrittenName(member));
  int32_t number = NamesakeNumber(member);
  if (number != 0) {
    PutChar(out, '_');
    PutNumber(out, number);
  }
  if ((member->type == FT_CHAR || member->type == FT_HEX) &&
      (member->size > 1 || extra.occursMax >= 2))
    PutDimension(out, member->size);
  if (!extra.dependingName.empty()) {
    PutChar(out, '[');
    PutName(out, extra.dependingName);
    PutChar(out, ']');
  } else if (extra.occursMax > 1) {
    PutDimension(out, extra.occursMax);
  }
  if (member->hasEnumeration) {
    PutChar(out, '(');
    PutName(out, member->name);
    PutText(out, "_enum)");
  }
  bool high = !(OptionFlags & OPT_FILLER_NOT_HIGH) && member->type != FT_STRUCT &&
              FindFiller(member->name) != std::string_view::npos;
  if (high) PutText(out, " : high ");
  if ((OptionFlags & OPT_LIMVAL_ALL) && member->hasEnumeration)
    PutText(out, high ? "limval " : " : limval ");
  PutText(out, ";\n");
}

void WriteStructure(TextOut* out, StructNode* structure) {
  PutText(out, "struct ");
  std::string_view name = structure->shortName.empty() ? structure->name : structure->shortName;
  if (structure->nameGiven)
    PutText(out, name);
  else
    PutName(out, name);
  if (structure->duplicateCount != 0) {
    PutChar(out, '_');
    PutNumber(out, structure->duplicateCount);
  }
  PutText(out, "\n{\n");
  for (FieldNode* member = structure->members; member; member = member->next) {
    if (IsChosen(member)) {
      if (member->redefineRole == RR_REDEFINES) ReportRedefinitionUsed(member);
      WriteMemberLine(out, member);
    }
    if (member->redefineRole != RR_NONE && member->redefineUsed && member->redefinePadding != 0) {
      PutText(out, "  hex            FILLER_REDEFINE_");
      PaddingNumbers[member] = FillerRedefineNumber;
      PutNumber(out, FillerRedefineNumber++);
      PutDimension(out, member->redefinePadding);
      PutText(out, ";\n");
      std::printf("Extra %d FILLER_REDEFINE Byte%s added after field %s\n", member->redefinePadding,
                  member->redefinePadding > 1 ? "s" : "", FormatNameOf(member->name).c_str());
    }
  }
  // The slack that ends each occurrence of a table with SYNC items, or a
  // group before a SYNC item.
  if (structure->endSlack != 0) {
    PutText(out, "  hex            FILLER_SLACK");
    PutDimension(out, structure->endSlack);
    PutText(out, ";\n");
  } else if (structure->endAlign != 0) {
    PutText(out, "  align");
    PutNumber(out, structure->endAlign);
    PutText(out, ";\n");
  }
  PutText(out, "}\n\n");
}
