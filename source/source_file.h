// The line store: the copybook read whole into numbered lines, which the
// tokenizer walks and every diagnostic points back into.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

struct SourceFile {
  SourceFile* next;       // file loaded before this one
  char* path;             // resolved name, as opened and reported
  char* directory;        // directory part used to build path
  FILE* stream;           // open for the rest of the run
  char* text;             // the whole file in one block, NUL after the end
  size_t size;            // bytes of text, the terminator excluded
  bool hasNul;            // a NUL byte lies in text
  const struct SourceLine* origins;  // a file of logical lines: the physical
                                     // line each began on; null otherwise
};

// One physical line: a view into its file's text, found when the reader
// steps to it; lines are not stored.
struct SourceLine {
  SourceFile* file;   // file the line belongs to; null: no line
  char* text;         // first character, inside file->text
  int32_t length;     // characters of the line, line end excluded
  int32_t number;     // from 1, counting every physical line
};

extern SourceFile* SourceFiles;  // newest first

struct PathParts {
  std::string_view directory;  // final separator removed, except a lone '/'
  std::string_view file;
};

PathParts SplitPath(std::string_view name);

// Loads the whole file, or prints why not and returns null.
SourceFile* LoadSourceFile(const std::string& name);

// The first line of file; 0 when the file has none.
int FirstSourceLine(SourceFile* file, SourceLine* line);
// Steps to the following line of the same file; 0, line unchanged, after the last.
int NextSourceLine(SourceLine* line);
// The line whose text, from its first character up to its end (offsets 0
// to its length), holds p; 0 when no loaded line does.
int FindSourceLine(const char* p, SourceLine* line);

// Closes the loaded files and forgets them, whose memory the caller gives
// back; for a second run in one process.
void ResetSourceFiles();
