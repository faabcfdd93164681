// Reading back what a run wrote: a whole file, and the rows of a CSV text.
#ifndef RECFORGE_TESTS_TEXT_FILES_H
#define RECFORGE_TESTS_TEXT_FILES_H

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

inline std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Rows of an RFC 4180 text, quoted cells unquoted; CRLF or LF ends a row.
inline std::vector<std::vector<std::string>> CsvRows(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  bool quoted = false, rowEnded = true;
  for (size_t at = 0; at < text.size(); at++) {
    char c = text[at];
    if (rowEnded) rows.emplace_back(1), rowEnded = false;
    if (c == '"' && quoted && at + 1 < text.size() && text[at + 1] == '"')
      rows.back().back() += c, at++;
    else if (c == '"')
      quoted = !quoted;
    else if (quoted)
      rows.back().back() += c;
    else if (c == ',')
      rows.back().emplace_back();
    else if (c == '\n')
      rowEnded = true;
    else if (c != '\r')
      rows.back().back() += c;
  }
  return rows;
}

#endif
