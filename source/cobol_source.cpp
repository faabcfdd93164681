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

static SourceLine* StoreLine(const LogicalLine& logical) {
  size_t length = logical.text.size();
  SourceLine* line = length < UINT32_MAX / 2
                         ? CSNewRecord<SourceLine>(static_cast<uint32_t>(length + 1))
                         : nullptr;
  if (!line) {
    std::printf("Can not allocate %lld bytes\n",
                static_cast<long long>(sizeof(SourceLine) + length + 1));
    return nullptr;
  }
  line->text = reinterpret_cast<char*>(line + 1);
  std::memcpy(line->text, logical.text.data(), length);
  line->text[length] = '\0';
  line->length = static_cast<int32_t>(length);
  line->file = logical.origin->file;
  line->number = logical.origin->number;
  return line;
}

SourceFile* ExpandCobolSource(SourceFile* file) {
  std::vector<LogicalLine> lines;
  if (!ReadReferenceFormat(file, &lines) || !ExpandMainCopyStatements(file, &lines))
    return nullptr;
  EndWithPeriod(&lines);
  SourceFile* logical = CSNewRecord<SourceFile>();
  if (!logical) {
    std::printf("Can not allocate %d bytes\n", static_cast<int>(sizeof(SourceFile)));
    return nullptr;
  }
  logical->path = file->path;
  logical->directory = file->directory;
  for (const LogicalLine& text : lines) {
    if (text.text.find_first_not_of(' ') == std::string::npos) continue;
    SourceLine* line = StoreLine(text);
    if (!line) return nullptr;
    if (logical->lastLine)
      logical->lastLine->next = line;
    else
      logical->firstLine = line;
    logical->lastLine = line;
    logical->lineCount++;
  }
  logical->next = SourceFiles;
  SourceFiles = logical;
  return logical;
}
