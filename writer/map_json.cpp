// The layout map as JSON: the record, and a tree of its entries with their
// tables' strides and their level-88 entries.
#include <cstdio>

#include "writer/map_rows.h"

namespace {

bool ListOpened;  // no row yet in the innermost list

// Bytes of the well-formed UTF-8 sequence that starts text, or 0: no
// overlong forms, no surrogates, nothing past U+10FFFF.
size_t Utf8Length(std::string_view text) {
  auto byte = [&](size_t i) { return i < text.size() ? static_cast<unsigned char>(text[i]) : 0; };
  unsigned char lead = byte(0), second = byte(1);
  size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead <= 0xDF ? 2
                : lead >= 0xE0 && lead <= 0xEF ? 3 : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
  if (length >= 2 && ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) ||
                      (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F)))
    return 0;
  for (size_t i = 1; i < length; i++)
    if ((byte(i) & 0xC0) != 0x80) return 0;
  return length;
}

// JSON text is UTF-8: well-formed UTF-8 passes as it is, any other byte is
// taken as the Latin-1 letter of its code. Quotes, backslashes and control
// characters are escaped; "\u001f" is the longest escape.
void PutJsonString(MapOutput& out, std::string_view value) {
  char* at = Room(out, 6 * value.size() + 2);
  char* end = at;
  *end++ = '"';
  for (size_t i = 0; i < value.size();) {
    char c = value[i];
    size_t length = static_cast<unsigned char>(c) < 0x80 ? 1 : Utf8Length(value.substr(i));
    if (c == '"' || c == '\\') {
      *end++ = '\\', *end++ = c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      end += std::snprintf(end, 7, "\\u%04x", static_cast<unsigned char>(c));
    } else if (length == 0) {
      *end++ = static_cast<char>(0xC0 | static_cast<unsigned char>(c) >> 6);
      *end++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {
      end = CopyBytes(end, value.substr(i, length));
    }
    i += length ? length : 1;
  }
  *end++ = '"';
  out.text->used += end - at;
}

// A name as the copybook writes it, or null when there is none.
void PutJsonName(MapOutput& out, std::string_view name) {
  if (name.empty())
    Put(out, "null");
  else
    PutJsonString(out, name);
}

void PutJsonValue(MapOutput& out, ValueKind kind, std::string_view value) {
  PutJsonString(out, kind == VK_LOW_VALUE ? "LOW-VALUE" : kind == VK_HIGH_VALUE ? "HIGH-VALUE" : value);
}

// Values in order; a range is an object {"from": ..., "thru": ...}.
void PutJsonValues(MapOutput& out, const FieldNode* condition) {
  Put(out, ",\"values\":[");
  ValueKind kind = condition->firstValueKind;
  std::string_view value = condition->valueText;
  const ConditionValue* more = ExtraOf(condition).moreValues;
  for (bool first = true; kind != VK_NONE; first = false) {
    if (!first) Put(out, ",");
    bool range = more && more->thru;
    if (range) Put(out, "{\"from\":");
    PutJsonValue(out, kind, value);
    if (range) {
      Put(out, ",\"thru\":");
      PutJsonValue(out, more->kind, more->text);
      Put(out, "}");
      more = more->next;
    }
    kind = more ? more->kind : VK_NONE;
    value = more ? more->text : std::string_view();
    if (more) more = more->next;
  }
  Put(out, "]");
}

void JsonRow(MapOutput& out, const MapRow& row) {
  // A row follows the opening of its list, or a sibling.
  Put(out, ListOpened ? "\n" : ",\n");
  ListOpened = row.kind == ROW_GROUP;
  for (int32_t level = 0; level <= row.depth; level++) Put(out, "  ");
  Put(out, "{\"kind\":\"");
  Put(out, KIND_NAMES[row.kind]);
  Put(out, "\",\"level\":");
  if (Named(row))
    PutNumber(out, row.entry->level);
  else
    Put(out, "null");
  Put(out, ",\"name\":");
  PutJsonName(out, Named(row) ? row.entry->name : std::string_view());
  Put(out, ",\"format_name\":");
  if (AlignLine(row))
    Put(out, "null");
  else
    PutJsonString(out, FormatName(row));
  Put(out, ",\"offset\":");
  PutNumber(out, row.offset);
  Put(out, ",\"length\":");
  PutNumber(out, row.length);
  Put(out, ",\"occurs\":[");
  for (int32_t i = 0; i < row.tableCount; i++) {
    const TableDimension& table = row.tables[i];
    Put(out, i ? ",{\"count\":" : "{\"count\":");
    PutNumber(out, table.count);
    Put(out, ",\"stride\":");
    PutNumber(out, table.stride);
    Put(out, ",\"depending_on\":");
    PutJsonName(out, table.depending);
    Put(out, "}");
  }
  Put(out, "],\"type\":\"");
  Put(out, Type(out, row));
  Put(out, "\",\"redefines\":");
  PutJsonName(out, Redefines(row));
  Put(out, ",\"conditions\":[");
  for (const FieldNode* c = row.conditions; c; c = c->next) {
    Put(out, c == row.conditions ? "{\"name\":" : ",{\"name\":");
    PutJsonName(out, c->name);
    PutJsonValues(out, c);
    Put(out, "}");
  }
  Put(out, row.kind == ROW_GROUP ? "],\"children\":[" : "]}");
}

void JsonLeave(MapOutput& out, const MapRow&) {
  Put(out, "]}");
  ListOpened = false;
}

}  // namespace

void WriteMapJson(MapOutput& out) {
  Put(out, "{\"record\":");
  PutJsonString(out, RecordName());
  Put(out, ",\"length\":");
  PutNumber(out, TopStructure->size);
  Put(out, ",\"fields\":[");
  ListOpened = true;
  WalkRows(out, JsonRow, JsonLeave);
  Put(out, "\n]}\n");
}

