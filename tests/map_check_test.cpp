// The layout map against the format file: every golden case that writes a
// format file is run again with --map, the JSON and CSV maps are read back
// and must agree, and the format file's blocks are walked (sizes from the
// type column, dimensions, align lines, padding) to check each row's
// offset, length, name, type and dimensions.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include <gtest/gtest.h>

#include "tests/map_reader.h"

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string Quoted(const std::string& word) {
  return "'" + std::regex_replace(word, std::regex("'"), "'\\''") + "'";
}

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
  EXPECT_EQ(next, rows.size()) << "rows after the last line of " << blockName;
  return cursor - offset;
}

// Cases whose run writes a format file.
std::vector<std::string> CaseNames() {
  std::vector<std::string> names;
  for (auto& entry : fs::directory_iterator(RECFORGE_CASES))
    if (ReadFile(entry.path() / "status") == "0\n" &&
        ReadFile(entry.path() / "stdout").find("structure") != std::string::npos)
      names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class MapCheck : public testing::TestWithParam<std::string> {};

TEST_P(MapCheck, AgreesWithTheFormatFile) {
  fs::path dir = fs::path(RECFORGE_CASES) / GetParam();
  char pattern[] = "/tmp/recforge-map-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  fs::path work = pattern;
  if (fs::exists(dir / "in")) fs::copy(dir / "in", work, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
  std::istringstream shared(ReadFile(dir / "shared"));
  for (std::string name; std::getline(shared, name);) fs::copy(fs::path(RECFORGE_INPUTS) / name, work / name);
  std::string cd = "cd " + Quoted(work.string()) + " && ";
  std::string setup = cd + "RECFORGE_TEST_INPUTS=" RECFORGE_INPUTS " bash " + Quoted((dir / "setup").string());
  ASSERT_TRUE(!fs::exists(dir / "setup") || std::system(setup.c_str()) == 0);
  std::string command = cd + RECFORGE_BINARY;
  std::istringstream args(ReadFile(dir / "args"));
  for (std::string arg; std::getline(args, arg);)
    command += " " + Quoted(std::regex_replace(arg, std::regex("@CWD@"), work.string()));
  std::string map = work.string() + ".map";
  for (const char* form : {".json", ".csv"})
    ASSERT_EQ(std::system((command + " -Oo --map " + map + form + " >run.txt 2>&1 </dev/null").c_str()), 0)
        << ReadFile(work / "run.txt");
  std::smatch written;
  std::string run = ReadFile(work / "run.txt");
  ASSERT_TRUE(std::regex_search(run, written, std::regex("structures? to '(.*)'")));

  size_t at = 0;
  Json json = ReadJson(ReadFile(map + ".json"), at);
  std::vector<MapLine> lines, csv = ReadCsvMap(ReadFile(map + ".csv"));
  FlattenJsonMap(json["fields"], 0, lines);
  ASSERT_EQ(lines.size(), csv.size());
  for (size_t i = 0; i < lines.size(); i++) EXPECT_EQ(lines[i].Text(), csv[i].Text());

  fs::path formatFile = fs::path(written[1].str()).is_absolute() ? fs::path(written[1].str()) : work / written[1].str();
  Blocks blocks = ReadBlocks(ReadFile(formatFile));
  EXPECT_EQ(Walk(blocks, json["fields"], json["record"].raw, 0, Json{}), json["length"].Number());
  fs::remove_all(work);
  fs::remove(map + ".json");
  fs::remove(map + ".csv");
}

INSTANTIATE_TEST_SUITE_P(Cases, MapCheck, testing::ValuesIn(CaseNames()),
                         [](const testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace
