// Reading a layout map back: a small JSON reader, the CSV rows, and the
// JSON fields flattened into the same rows, so that tests compare them.
#pragma once

#include <cctype>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

struct Json {
  std::string raw;   // the value's text as written; a string's without quotes
  bool isString = false;
  std::vector<Json> items;                          // an array's elements
  std::vector<std::pair<std::string, Json>> members;  // an object's members
  const Json& operator[](const std::string& key) const {
    static const Json missing{"missing", false, {}, {}};
    for (auto& [name, value] : members)
      if (name == key) return value;
    return missing;
  }
  int64_t Number() const { return std::stoll(raw); }
};

// Reads the value at text[at]; at is left after it. Malformed text ends
// the reading rather than running past its end.
inline Json ReadJson(const std::string& text, size_t& at) {
  auto skip = [&] { while (at < text.size() && isspace(static_cast<unsigned char>(text[at]))) at++; };
  skip();
  Json value;
  size_t start = at;
  if (text[at] == '"') {
    value.isString = true;
    for (at++; at < text.size() && text[at] != '"'; at++) value.raw += text[at] == '\\' ? text[++at] : text[at];
    at++;
  } else if (text[at] == '[' || text[at] == '{') {
    char close = text[at++] == '[' ? ']' : '}';
    for (skip(); at < text.size() && text[at] != close; skip()) {
      size_t before = at;
      if (text[at] == ',') at++;
      if (close == ']') {
        value.items.push_back(ReadJson(text, at));
      } else {
        std::string key = ReadJson(text, at).raw;
        skip();
        at++;  // the colon
        value.members.emplace_back(key, ReadJson(text, at));
      }
      if (at == before) break;
    }
    at++;
    value.raw = text.substr(start, at - start);
  } else {
    while (at < text.size() && !strchr(",]} \n", text[at])) at++;
    value.raw = text.substr(start, at - start);
  }
  return value;
}

struct MapLine {
  std::string kind, level, name, formatName;
  int64_t offset, length;
  std::string occurs;
  int64_t total;
  std::string type, redefines, depending;
  int depth;  // from JSON only; -1 from CSV
  std::string Text() const {  // every cell but the depth, for comparing
    return kind + "," + level + "," + name + "," + formatName + "," + std::to_string(offset) + "," +
           std::to_string(length) + "," + occurs + "," + std::to_string(total) + "," + type + "," +
           redefines + "," + depending;
  }
};

// Rows of the CSV map after its header; quoted cells unquoted.
inline std::vector<MapLine> ReadCsvMap(const std::string& text) {
  std::vector<MapLine> lines;
  size_t at = text.find("\r\n") + 2;
  while (at < text.size()) {
    std::vector<std::string> cells(1);
    for (bool quoted = false; quoted || text.compare(at, 2, "\r\n") != 0; at++) {
      char c = text[at];
      if (c == '"' && quoted && text[at + 1] == '"')
        cells.back() += c, at++;
      else if (c == '"')
        quoted = !quoted;
      else if (c == ',' && !quoted)
        cells.emplace_back();
      else
        cells.back() += c;
    }
    at += 2;
    cells.resize(11);
    lines.push_back({cells[0], cells[1], cells[2], cells[3], std::stoll(cells[4]), std::stoll(cells[5]),
                     cells[6], std::stoll(cells[7]), cells[8], cells[9], cells[10], -1});
  }
  return lines;
}

inline std::string OrEmpty(const Json& value) { return value.raw == "null" ? "" : value.raw; }

// The JSON fields in document order, as CSV rows with their depth.
inline void FlattenJsonMap(const Json& fields, int depth, std::vector<MapLine>& lines,
                           size_t outerDimensions = 0) {
  for (const Json& field : fields.items) {
    const Json& occurs = field["occurs"];
    std::string counts, depending;
    int64_t total = field["length"].Number();
    for (const Json& dimension : occurs.items) {
      counts += (counts.empty() ? "" : "x") + dimension["count"].raw;
      total *= dimension["count"].Number();
    }
    if (occurs.items.size() > outerDimensions) depending = OrEmpty(occurs.items.back()["depending_on"]);
    lines.push_back({field["kind"].raw, OrEmpty(field["level"]), OrEmpty(field["name"]),
                     OrEmpty(field["format_name"]), field["offset"].Number(), field["length"].Number(),
                     counts, total, field["type"].raw, OrEmpty(field["redefines"]), depending, depth});
    FlattenJsonMap(field["children"], depth + 1, lines, occurs.items.size());
  }
}
