// Reading a copybook as a COBOL compiler does: the reference format of each
// line, then the COPY statements. The result is a file of logical lines,
// each holding only code, that the tokenizer walks in place of the physical
// lines; each logical line points back to the physical line it began on.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "source/source_file.h"

// The logical lines of file with its COPY members in place, as a file that
// heads SourceFiles; null after a message.
SourceFile* ExpandCobolSource(SourceFile* file);

// ---- Stages of the expansion ------------------------------------------------

struct LogicalLine {
  std::string text;     // code only: indicator and sequence areas cut away
  SourceLine origin;    // the physical line the text begins on
};

constexpr int MAX_COPY_DEPTH = 50;  // members nested inside members

// Indicator, comments, tabs and continuations of every line of file.
int ReadReferenceFormat(SourceFile* file, std::vector<LogicalLine>* lines);

// Replaces each COPY statement of lines by its member's logical lines.
// folder is where the including file was found, as written ("." for none).
int ExpandCopyStatements(std::vector<LogicalLine>* lines, const std::string& folder,
                         int depth);

// The same for the input file, which no member may include again.
int ExpandMainCopyStatements(SourceFile* file, std::vector<LogicalLine>* lines);

// Applies each REPLACE statement to the text after it, up to the next one,
// and takes the statements away.
int ApplyReplaceStatements(std::vector<LogicalLine>* lines);
