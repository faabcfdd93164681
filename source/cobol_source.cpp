// The logical lines of a copybook read as a COBOL compiler does, stored as
// the lines of a file of their own for the tokenizer.
#include "source/cobol_source.h"

#include <cstdio>
#include <cstring>

#include "cs/cs.h"

// A missing final period is taken as written: the last entry ends with the file.
static void EndWithPeriod(std::vector<LogicalLine>* lines) {
  for (size_t l = lines->size(); l-- > 0;) {
    std::string& text = (*lines)[l].text;
    size_t last = text.find_last_not_of(' ');
    if (last == std::string::npos) continue;
    if (text[last] != '.') text += " .";
    return;
  }
}

// The logical lines are stored as the text of a file of their own, one line
// each, with the physical line each began on beside them.
SourceFile* ExpandCobolSource(SourceFile* file) {
  std::vector<LogicalLine> lines;
  if (!ReadReferenceFormat(file, &lines) || !ExpandMainCopyStatements(file, &lines) ||
      !ApplyReplaceStatements(&lines))
    return nullptr;
  EndWithPeriod(&lines);
  uint64_t size = 0, count = 0;
  for (const LogicalLine& line : lines) {
    if (line.text.find_first_not_of(' ') == std::string::npos) continue;
    size += line.text.size() + 1;
    count++;
  }
  SourceFile* logical = CSNewRecord<SourceFile>();
  void* text = size < UINT32_MAX / 2 ? CSGetMem(static_cast<uint32_t>(size + 1)) : nullptr;
  void* origins = count < UINT32_MAX / (2 * sizeof(SourceLine))
                      ? CSGetMem(static_cast<uint32_t>((count + 1) * sizeof(SourceLine)))
                      : nullptr;
  if (!logical || !text || !origins) {
    CSReportNoMemory(static_cast<int64_t>(!logical ? sizeof(SourceFile)
                                          : !text  ? size + 1
                                                   : (count + 1) * sizeof(SourceLine)));
    return nullptr;
  }
  logical->path = file->path;
  logical->directory = file->directory;
  logical->text = static_cast<char*>(text);
  auto* origin = static_cast<SourceLine*>(origins);
  logical->origins = origin;
  char* end = logical->text;
  for (const LogicalLine& line : lines) {
    if (line.text.find_first_not_of(' ') == std::string::npos) continue;
    std::memcpy(end, line.text.data(), line.text.size());
    end += line.text.size();
    *end++ = '\n';
    *origin++ = line.origin;
  }
  *end = '\0';
  logical->size = static_cast<size_t>(end - logical->text);
  logical->next = SourceFiles;
  SourceFiles = logical;
  return logical;
}
