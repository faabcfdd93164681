// The line store: the copybook read whole into numbered lines, which the
// tokenizer walks and every diagnostic points back into.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

struct SourceLine;

struct SourceFile {
  SourceFile* next;       // file loaded before this one
  char* path;             // resolved name, as opened and reported
  char* directory;        // directory part used to build path
  FILE* stream;           // open for the rest of the run
  int32_t lineCount;      // lines read so far
  SourceLine* firstLine;  // none for an empty file
  SourceLine* lastLine;
};

struct SourceLine {
  SourceLine* next;   // following line of the same file
  SourceFile* file;   // file the line belongs to
  int32_t number;     // from 1, counting every physical line
  int32_t length;     // characters in text, line end excluded
  char* text;         // stored right behind the record, terminated
};

extern SourceFile* SourceFiles;  // newest first

struct PathParts {
  std::string_view directory;  // final separator removed, except a lone '/'
  std::string_view file;
};

PathParts SplitPath(std::string_view name);

// Loads the whole file, or prints why not and returns null.
SourceFile* LoadSourceFile(const std::string& name);

// Reads the next line into *line, null at the end; 0 after printing an error.
int ReadSourceLine(SourceFile* file, SourceLine** line);

// Closes the loaded files and forgets them and the line buffer, whose
// memory the caller gives back; for a second run in one process.
void ResetSourceFiles();
