// An output of the run (the format file, the map), written whole or not at
// all: a regular file is written to a new temporary file beside it, which
// is renamed over it only once complete and on disk. A failure or a signal
// leaves the old file as it was and no temporary file behind. A target that
// is no regular file (standard output, a device, a FIFO) is written
// directly. A symbolic link is written through: the file it names is
// replaced, the link stays.
#pragma once

#include <cstdio>
#include <string>

#include "writer/text_out.h"

struct OutputFile {
  std::string name;       // as the user gave it, for messages
  std::string path;       // where the finished file goes: name with its links followed
  std::string temporary;  // the file being written; empty: written in place
  FILE* stream;
  bool inPlace;           // a regular file written in place: removed when writing fails
  TextOut* text;          // the buffer in front of stream
};

// Whether name could be written, found without opening or creating
// anything; 0 after "Can not write to file '%s'\n".
int CheckOutputFile(const std::string& name);

// Opens the output and binds the text buffer to it; 0 after
// "Can not write to file '%s'\n".
int OpenOutputFile(OutputFile* file, const std::string& name);

// Standard output, through the same buffer.
void OpenStandardOutput(OutputFile* file);

// Flushes, syncs and puts the file in place. 0 when a write failed, after
// "Error writing to file '%s'\n" for a named file (nothing for standard
// output: its caller says what it wrote); what was written is removed.
int FinishOutputFile(OutputFile* file);

// Drops what was written: the old file, if any, stays as it was.
void DiscardOutputFile(OutputFile* file);

// The same file under other names, or the same path yet to be made, links
// followed.
bool SameFile(const std::string& one, const std::string& other);
