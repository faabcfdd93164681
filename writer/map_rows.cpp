// The layout map's rows from the one offset walk, and their cells.
#include "writer/map_rows.h"

#include <charconv>

#include "writer/writer.h"

namespace {

// The tables around a member, its own left out.
int32_t OuterTables(const MemberPlace& place) {
  bool own = place.tableCount > 0 && place.tables[place.tableCount - 1].entry == place.member;
  return place.tableCount - own;
}

// Rows in record order from the one walk: slack bytes come before the SYNC
// item they align, and padding follows the alternative used.
struct RowWalk : WalkVisitor {
  MapOutput* out;

  WalkStep Enter(const MemberPlace& place) {
    const FieldNode* member = place.member;
    int32_t outer = OuterTables(place);
    // The format file holds slack before a member only where it writes its line.
    if (place.slack && IsChosen(member))
      out->visit(*out, {member, nullptr, ROW_SLACK, place.depth, place.offset - place.slack,
                        place.slack, LeadingAlignment(member), place.tables, outer});
    out->visit(*out, {member, ExtraOf(member).conditions, member->type == FT_STRUCT ? ROW_GROUP : ROW_FIELD,
                      place.depth, place.offset, place.size, 0, place.tables, place.tableCount});
    return WALK_INTO;
  }

  int Leave(const MemberPlace& place) {
    const FieldNode* member = place.member;
    int32_t outer = OuterTables(place);
    if (member->type == FT_STRUCT && out->leave) out->leave(*out, {member, nullptr, ROW_GROUP, place.depth, place.offset, place.size, 0, place.tables, place.tableCount});
    if (member->redefineRole != RR_NONE && member->redefineUsed && member->redefinePadding != 0)
      out->visit(*out, {member, nullptr, ROW_PADDING, place.depth,
                        place.offset - place.slack + FieldFootprint(member), member->redefinePadding, 0,
                        place.tables, outer});
    return 1;
  }

  // Slack bytes that end each occurrence of a table with SYNC items, or a
  // group before a SYNC item; written as bytes, they have no alignment.
  int Close(const StructurePlace& place) {
    const StructNode* structure = place.structure;
    int64_t end = place.base + structure->size;
    if (structure->endAlign != 0 && structure->members && end > place.end)
      out->visit(*out, {structure->members, nullptr, ROW_SLACK, place.depth, place.end, end - place.end,
                        structure->endSlack ? 0 : structure->endAlign, place.tables, place.tableCount});
    return 1;
  }
};

}  // namespace

void WalkRows(MapOutput& out, RowVisitor visit, RowVisitor leave) {
  out.visit = visit, out.leave = leave;
  RowWalk walk;
  walk.out = &out;
  WalkRecord(walk);
}

size_t NumberWidth(int64_t value) {
  size_t width = 1;
  for (; value >= 10; value /= 10) width++;
  return width;
}

char* CopyNumberBefore(char* end, int64_t value) {
  do *--end = static_cast<char>('0' + value % 10); while ((value /= 10) != 0);
  return end;
}

char* CopyNumber(char* at, int64_t value) { return std::to_chars(at, at + 24, value).ptr; }

bool Named(const MapRow& row) { return row.kind == ROW_GROUP || row.kind == ROW_FIELD; }

// Slack from an align line has no name; slack written as bytes has one.
constexpr std::string_view SLACK_NAME = "FILLER_SLACK";
bool AlignLine(const MapRow& row) { return row.kind == ROW_SLACK && row.align != 0; }

size_t FormatNameLength(const MapRow& row) {
  if (AlignLine(row)) return 0;
  if (row.kind == ROW_SLACK) return SLACK_NAME.size();
  if (row.kind == ROW_PADDING) return 16 + NumberWidth(PaddingNumberOf(row.entry));
  int32_t number = NamesakeNumber(row.entry);
  return WrittenName(row.entry).size() + (number ? 1 + NumberWidth(number) : 0);
}

char* CopyFormatName(char* at, const MapRow& row) {
  if (AlignLine(row)) return at;
  if (row.kind == ROW_SLACK) return CopyBytes(at, SLACK_NAME);
  if (row.kind == ROW_PADDING) {
    std::memcpy(at, "FILLER_REDEFINE_", 16);
    return CopyNumber(at + 16, PaddingNumberOf(row.entry));
  }
  std::string_view name = WrittenName(row.entry);
  CopyBytes(at, name);
  UnderscoreHyphens(at, name.size());
  at += name.size();
  if (int32_t number = NamesakeNumber(row.entry)) *at++ = '_', at = CopyNumber(at, number);
  return at;
}

std::string FormatName(const MapRow& row) {
  std::string name(FormatNameLength(row), ' ');
  name.resize(CopyFormatName(name.data(), row) - name.data());
  return name;
}

std::string_view Type(MapOutput& out, const MapRow& row) {
  const FieldNode* entry = row.entry;
  if (AlignLine(row)) return out.slackType = "align" + std::to_string(row.align);
  if (row.kind == ROW_PADDING || row.kind == ROW_SLACK) return "hex";
  TypeCache& cache = out.types[entry->type];
  bool suffixed = entry->type == FT_PACKED || entry->type == FT_UPACKED || entry->type == FT_OPUNCH ||
                  entry->type == FT_DIGITS;
  if (!cache.filled || (suffixed && (cache.digits != entry->digits || cache.scale != entry->scale ||
                                     cache.hasDecimalPoint != entry->hasDecimalPoint ||
                                     cache.signLeading != entry->signLeading))) {
    cache = {true, entry->digits, entry->scale, entry->hasDecimalPoint, entry->signLeading, TypeText(entry)};
  }
  return cache.text;
}

std::string_view Redefines(const MapRow& row) {
  return Named(row) && row.entry->redefineRole == RR_REDEFINES ? RedefinesOf(row.entry).redefinesName : std::string_view();
}

std::string_view DependingOn(const MapRow& row) {
  return Named(row) ? ExtraOf(row.entry).dependingName : std::string_view();
}

size_t OccursLength(const MapRow& row) {
  size_t length = 0;
  for (int32_t i = 0; i < row.tableCount; i++) length += (i ? 1 : 0) + NumberWidth(row.tables[i].count);
  return length;
}

char* CopyOccurs(const MapRow& row, char* at) {
  for (int32_t i = 0; i < row.tableCount; i++) {
    if (i) *at++ = 'x';
    at = CopyNumber(at, row.tables[i].count);
  }
  return at;
}

int64_t Total(const MapRow& row) {
  int64_t total = row.length;
  for (int32_t i = 0; i < row.tableCount; i++) total *= row.tables[i].count;
  return total;
}

// The top structure is made first, so its name has no number.
std::string RecordName() {
  return WrittenStructureName(TopStructure);
}

char* CopyHex(char* at, int64_t value) {
  at[0] = '0', at[1] = 'x';
  for (int i = 9; i >= 2; i--, value >>= 4) at[i] = "0123456789ABCDEF"[value & 15];
  return at + 10;
}

