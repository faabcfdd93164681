// The data file cut into records: fixed length, after RDWs, in blocks after
// BDWs, or lines. A regular file is mapped whole, its pages let go behind
// the records; anything else is read in large pieces into one buffer that
// does not grow with the file. 16 bytes past the data can always be read.
#pragma once

#include <cstdint>
#include <string>

struct DataInput {
  int fd;
  std::string name;
  uint8_t* buffer;
  size_t capacity;
  size_t mapped;         // bytes of the mapping; 0: the buffer is read into
  size_t released;       // mapped bytes before this are let go
  size_t begin, end;     // the bytes not yet used
  int64_t offset;        // file offset of buffer[begin]
  bool atEnd;            // nothing more to read
  int error;             // errno of a failed read
  // VB: what is left of the current block.
  int64_t blockLeft;
  // LINES: the rest of a line longer than the buffer is passed over.
  bool passLine;
};

enum FrameResult : int32_t {
  FRAME_END = 0,         // no record left
  FRAME_RECORD = 1,      // a record: its bytes are at begin + header
  FRAME_FAILED = 2,      // a message was printed
};

// One record's place: its descriptor's bytes, then its own.
struct Frame {
  int64_t start;         // file offset of the record (of its RDW)
  uint32_t header;       // descriptor bytes before the record's own
  int64_t length;        // the record's own bytes (at most the buffer holds)
  int64_t extent;        // bytes to pass after it: header, record, line end
};

// Opens name ("-": standard input) with room for records of most bytes.
int OpenData(DataInput* input, const std::string& name, int64_t most);
void CloseData(DataInput* input);
// At least count bytes at begin unless the file ends first; what is there.
size_t Available(DataInput* input, size_t count);
// Passes count bytes, reading or seeking.
int PassBytes(DataInput* input, int64_t count);

// The next record in the record format of the settings. Fixed records are
// recordLength long; with varying tables the decoder finds their length,
// and the frame holds what is there up to recordLength.
FrameResult NextRecord(DataInput* input, int64_t recordLength, bool varies, int64_t number, Frame* frame);
// Moves past the record just framed; extent: its bytes when the decoder found them.
void PassRecord(DataInput* input, const Frame& frame);
