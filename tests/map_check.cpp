// The layout map against the format file: the JSON and CSV maps must
// agree, and walking the format file's blocks (sizes from the type column,
// dimensions, align lines, padding) must give each row's offset, length,
// name, type and dimensions.
#include <map>
#include <regex>
#include <sstream>

#include <gtest/gtest.h>

#include "tests/map_reader.h"

namespace {

struct BlockLine {
  std::string type, name;             // a member's, or the padding's
  std::vector<std::string> brackets;  // "[...]" after the name, in order
  int64_t align;                      // an align line's boundary, else 0
};
using Blocks = std::map<std::string, std::vector<BlockLine>>;

Blocks ReadBlocks(const std::string& text) {
  Blocks blocks;
  std::istringstream in(text);
  std::vector<BlockLine>* block = nullptr;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("struct ", 0) == 0) block = &blocks[line.substr(7)];
    if (line == "}" || line.rfind("enum", 0) == 0) block = nullptr;
    if (!block || line.rfind("  ", 0) != 0) continue;
    std::istringstream words(line);
    BlockLine entry{};
    std::string rest;
    words >> entry.type >> rest;
    if (entry.type.rfind("align", 0) == 0) entry.align = std::stoll(entry.type.substr(5));
    entry.name = rest.substr(0, rest.find_first_of("[(;"));
    for (size_t at = entry.name.size(); at < rest.size() && rest[at] == '['; at = rest.find(']', at) + 1)
      entry.brackets.push_back(rest.substr(at + 1, rest.find(']', at) - at - 1));
    block->push_back(entry);
  }
  return blocks;
}

// Bytes of one occurrence of a numeric type, from its type text.
int64_t SizeOf(const std::string& type) {
  static const std::map<std::string, int64_t> fixed = {
      {"short", 2}, {"ushort", 2}, {"int", 4},   {"uint", 4},  {"int64", 8},
      {"uint64", 8}, {"int8", 1},  {"uint8", 1}, {"float", 4}, {"double", 8}};
  if (fixed.count(type)) return fixed.at(type);
  size_t open = type.find('('), dot = type.find('.');
  int64_t digits = std::stoll(type.substr(open + 1)) +
                   (dot == std::string::npos ? 0 : std::stoll(type.substr(dot + 1)));
  if (type.rfind("opunch", 0) == 0) return digits;
  if (type.rfind("digits", 0) == 0) return digits + 1;
  return (digits + 2) / 2;  // packed and upacked
}

// Walks the block of a group from its offset, matching its rows to the
// block's lines; returns the block's size.
int64_t Walk(const Blocks& blocks, const Json& kids, const std::string& blockName, int64_t offset,
             const Json& outer) {
  auto found = blocks.find(blockName);
  if (found == blocks.end()) return ADD_FAILURE() << "no block " << blockName, -1;
  const std::vector<Json>& rows = kids.items;
  size_t next = 0;
  int64_t cursor = offset, align = 0;
  auto group = [&](const Json& row, int64_t at) {
    return Walk(blocks, row["children"], row["format_name"].raw, at, row["occurs"]);
  };
  // Rows the block has no line for: alternatives not used, heads replaced.
  auto skipUnwritten = [&](const std::string& name) {
    for (; next < rows.size(); next++) {
      const Json& row = rows[next];
      if (row["kind"].raw == "slack" || row["kind"].raw == "padding" || row["format_name"].raw == name) return;
      bool head = next + 1 < rows.size() && rows[next + 1]["redefines"].isString;
      EXPECT_TRUE(row["redefines"].isString || head) << row["format_name"].raw << " has no line in " << blockName;
      if (row["kind"].raw == "group") {
        EXPECT_EQ(group(row, row["offset"].Number()), row["length"].Number());
      }
    }
  };
  for (const BlockLine& line : found->second) {
    if (line.align) {
      align = line.align;
      continue;
    }
    skipUnwritten(line.name);
    std::string where = blockName + " " + line.name;
    if (int64_t slack = align ? (align - cursor % align) % align : 0) {
      const Json& row = rows.at(next++);
      EXPECT_EQ(row["kind"].raw + row["type"].raw, "slackalign" + std::to_string(align)) << where;
      EXPECT_EQ(row["offset"].Number(), cursor) << where;
      EXPECT_EQ(row["length"].Number(), slack) << where;
      cursor += slack;
    }
    align = 0;
    if (next >= rows.size()) return ADD_FAILURE() << "no row for " << where, -1;
    const Json& row = rows[next++];
    EXPECT_EQ(row["format_name"].raw, line.name) << where;
    EXPECT_EQ(row["type"].raw, line.type) << where;
    EXPECT_EQ(row["offset"].Number(), cursor) << where;
    bool text = line.type == "char" || line.type == "hex";
    int64_t size = line.type == "struct" ? group(row, cursor)
                   : text ? (line.brackets.empty() ? 1 : std::stoll(line.brackets[0]))
                          : SizeOf(line.type);
    EXPECT_EQ(row["length"].Number(), size) << where;
    // The dimensions of the tables around it, then its own.
    const std::vector<Json>& occurs = row["occurs"].items;
    size_t outerCount = outer.items.size();
    EXPECT_GE(occurs.size(), outerCount) << where;
    for (size_t i = 0; i < outerCount && i < occurs.size(); i++) EXPECT_EQ(occurs[i].raw, outer.items[i].raw) << where;
    int64_t count = occurs.size() > outerCount ? occurs.back()["count"].Number() : 1;
    if (line.brackets.size() > (text ? 1u : 0u)) {
      const std::string& dimension = line.brackets.back();
      if (occurs.size() <= outerCount) return ADD_FAILURE() << "no dimension for " << where, -1;
      std::string depending = std::regex_replace(occurs.back()["depending_on"].raw, std::regex("-"), "_");
      EXPECT_EQ(isdigit(dimension[0]) ? occurs.back()["count"].raw : depending, dimension) << where;
      EXPECT_EQ(occurs.back()["stride"].Number(), size) << where;
    } else {
      EXPECT_EQ(count, 1) << where;
    }
    cursor += size * count;
  }
  skipUnwritten("");
  // An align line that ends a block makes each occurrence of its table a
  // multiple of the boundary.
  if (int64_t slack = align ? (align - (cursor - offset) % align) % align : 0) {
    const Json& row = rows.at(next++);
    EXPECT_EQ(row["kind"].raw + row["type"].raw, "slackalign" + std::to_string(align)) << blockName;
    EXPECT_EQ(row["offset"].Number(), cursor) << blockName;
    EXPECT_EQ(row["length"].Number(), slack) << blockName;
    cursor += slack;
  }
  EXPECT_EQ(next, rows.size()) << "rows after the last line of " << blockName;
  return cursor - offset;
}

}  // namespace

void CheckMapAgainstFormatFile(const std::string& jsonText, const std::string& csvText,
                               const std::string& formatFile) {
  size_t at = 0;
  Json json = ReadJson(jsonText, at);
  std::vector<MapLine> lines, csv = ReadCsvMap(csvText);
  FlattenJsonMap(json["fields"], 0, lines);
  ASSERT_EQ(lines.size(), csv.size());
  for (size_t i = 0; i < lines.size(); i++) EXPECT_EQ(lines[i].Text(), csv[i].Text());
  Blocks blocks = ReadBlocks(formatFile);
  EXPECT_EQ(Walk(blocks, json["fields"], json["record"].raw, 0, Json{}), json["length"].Number());
}
