// Record framing. Descriptor words hold a big-endian halfword length and
// two zero bytes (a BDW whose first bit is set holds a 31-bit length in all
// four); --rdw little reads the halfword low byte first, and
// --rdw-excludes-header reads lengths that leave the descriptor out.
#include "decoder/records.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "driver/settings.h"

namespace {

constexpr size_t LEAST_BUFFER = size_t{4} << 20;
constexpr size_t PAGE = 4096;
// Pages of a mapped file are let go in steps of this many bytes, so that
// resident memory stays small whatever the file's size.
constexpr size_t RELEASE_STEP = size_t{8} << 20;

// Maps the regular file whole, with zero pages after it for reading past
// its end; false when it can not be mapped (it is then read).
bool MapData(DataInput* input) {
  struct stat status;
  if (fstat(input->fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size <= 0) return false;
  auto length = static_cast<size_t>(status.st_size);
  size_t span = (length + 16 + PAGE - 1) & ~(PAGE - 1);
  void* area = mmap(nullptr, span, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (area == MAP_FAILED) return false;
  if (mmap(area, length, PROT_READ, MAP_PRIVATE | MAP_FIXED, input->fd, 0) == MAP_FAILED) {
    munmap(area, span);
    return false;
  }
  madvise(area, length, MADV_SEQUENTIAL);
  input->buffer = static_cast<uint8_t*>(area);
  input->mapped = span;
  input->capacity = SIZE_MAX >> 1;  // no block or line is longer than the buffer
  input->end = length;
  input->atEnd = true;
  return true;
}

// Lets go of the mapped pages the records have passed.
void Release(DataInput* input) {
  size_t upTo = input->begin & ~(PAGE - 1);
  madvise(input->buffer + input->released, upTo - input->released, MADV_DONTNEED);
  input->released = upTo;
}

void Consume(DataInput* input, size_t count) {
  input->begin += count;
  input->offset += static_cast<int64_t>(count);
}

int Fail(const char* format, int64_t a, int64_t b, int64_t c = 0) {
  std::printf(format, a, b, c);
  return FRAME_FAILED;
}

// A descriptor word's length with the descriptor counted; -1 when the word
// is not a descriptor (flag bytes set, or shorter than itself).
int64_t DescriptorLength(const uint8_t* word, bool block) {
  bool little = RdwLittleEndian;
  int64_t length;
  if (block && (little ? word[3] : word[0]) & 0x80) {
    length = little ? int64_t{word[3] & 0x7F} << 24 | word[2] << 16 | word[1] << 8 | word[0]
                    : int64_t{word[0] & 0x7F} << 24 | word[1] << 16 | word[2] << 8 | word[3];
  } else {
    if (word[2] != 0 || word[3] != 0) return -1;
    length = little ? word[1] << 8 | word[0] : word[0] << 8 | word[1];
  }
  if (RdwExcludesHeader) length += 4;
  return length < 4 ? -1 : length;
}

// A record after its RDW, within limit bytes (its block's, or -1: the file).
FrameResult FrameVariable(DataInput* input, int64_t number, int64_t limit, Frame* frame) {
  size_t there = Available(input, 4);
  if (there == 0 && limit < 0) return FRAME_END;
  int64_t at = input->offset;
  if (limit >= 0 && limit < 4)
    return FrameResult(Fail("Record %" PRId64 " at byte %" PRId64 ": its RDW does not fit in its block\n", number, at));
  if (there < 4)
    return FrameResult(Fail("Record %" PRId64 " at byte %" PRId64 ": its RDW is cut off by the end of the file\n", number, at));
  const uint8_t* word = input->buffer + input->begin;
  int64_t length = DescriptorLength(word, false);
  if (length < 0)
    return FrameResult(Fail("Record %" PRId64 " at byte %" PRId64 ": the RDW %08" PRIX64 " is not valid\n", number, at,
                            int64_t{word[0]} << 24 | word[1] << 16 | word[2] << 8 | word[3]));
  if (limit >= 0 && length > limit)
    return FrameResult(Fail("Record %" PRId64 " at byte %" PRId64 ": its RDW gives %" PRId64 " bytes, past the end of its block\n",
                            number, at, length));
  if (static_cast<int64_t>(Available(input, static_cast<size_t>(length))) < length)
    return FrameResult(Fail("Record %" PRId64 " at byte %" PRId64 ": its RDW gives %" PRId64 " bytes, past the end of the file\n",
                            number, at, length));
  *frame = {at, 4, length - 4, length};
  return FRAME_RECORD;
}

FrameResult FrameBlocked(DataInput* input, int64_t number, Frame* frame) {
  while (input->blockLeft == 0) {
    size_t there = Available(input, 4);
    if (there == 0) return FRAME_END;
    int64_t at = input->offset;
    if (there < 4) return FrameResult(Fail("Block at byte %" PRId64 ": its BDW is cut off by the end of the file\n", at, 0));
    const uint8_t* word = input->buffer + input->begin;
    int64_t length = DescriptorLength(word, true);
    if (length < 0)
      return FrameResult(Fail("Block at byte %" PRId64 ": the BDW %08" PRIX64 " is not valid\n", at,
                              int64_t{word[0]} << 24 | word[1] << 16 | word[2] << 8 | word[3]));
    size_t wanted = length < static_cast<int64_t>(input->capacity) ? static_cast<size_t>(length) : input->capacity;
    if (Available(input, wanted) < wanted)
      return FrameResult(Fail("Block at byte %" PRId64 ": its BDW gives %" PRId64 " bytes, past the end of the file\n", at, length));
    Consume(input, 4);
    input->blockLeft = length - 4;
  }
  return FrameVariable(input, number, input->blockLeft, frame);
}

FrameResult FrameLine(DataInput* input, Frame* frame) {
  for (;;) {
    size_t there = Available(input, 1);
    if (there == 0) return FRAME_END;
    const uint8_t* start = input->buffer + input->begin;
    size_t searched = 0;
    const uint8_t* newline = nullptr;
    for (;;) {
      newline = static_cast<const uint8_t*>(std::memchr(start + searched, '\n', there - searched));
      if (newline || input->atEnd || there == input->capacity) break;
      searched = there;
      there = Available(input, there + 1);
      start = input->buffer + input->begin;
    }
    if (input->passLine) {  // the rest of a line longer than the buffer
      Consume(input, newline ? newline - start + 1 : there);
      input->passLine = !newline && !input->atEnd;
      continue;
    }
    int64_t length = newline ? newline - start : static_cast<int64_t>(there);
    int64_t extent = newline ? length + 1 : length;
    if (length > 0 && start[length - 1] == '\r') length--;
    input->passLine = !newline && !input->atEnd;
    *frame = {input->offset, 0, length, extent};
    return FRAME_RECORD;
  }
}

}  // namespace

int OpenData(DataInput* input, const std::string& name, int64_t most) {
  *input = DataInput{};
  input->name = name;
  input->fd = name == "-" ? 0 : open(name.c_str(), O_RDONLY);
  if (input->fd < 0) {
    std::printf("Can not read data file '%s'\n", name.c_str());
    return 0;
  }
  if (MapData(input)) return 1;
  int64_t wanted = 2 * most + (1 << 17);
  input->capacity = wanted > static_cast<int64_t>(LEAST_BUFFER) ? static_cast<size_t>(wanted) : LEAST_BUFFER;
  input->buffer = static_cast<uint8_t*>(std::malloc(input->capacity + 16));
  if (!input->buffer) {
    std::printf("Can not allocate %zu bytes for the data\n", input->capacity);
    return 0;
  }
  return 1;
}

void CloseData(DataInput* input) {
  if (input->fd > 0) close(input->fd);
  if (input->mapped) munmap(input->buffer, input->mapped);
  else std::free(input->buffer);
  input->buffer = nullptr;
}

size_t Available(DataInput* input, size_t count) {
  if (input->mapped) {
    if (input->begin - input->released >= RELEASE_STEP) Release(input);
    return input->end - input->begin;
  }
  if (count > input->capacity) count = input->capacity;
  if (input->end - input->begin >= count || input->atEnd) return input->end - input->begin;
  if (input->begin > 0) {
    std::memmove(input->buffer, input->buffer + input->begin, input->end - input->begin);
    input->end -= input->begin;
    input->begin = 0;
  }
  while (input->end < count && !input->atEnd) {
    ssize_t got = read(input->fd, input->buffer + input->end, input->capacity - input->end);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) input->error = errno;
    if (got <= 0) input->atEnd = true;
    else input->end += static_cast<size_t>(got);
  }
  return input->end;
}

int PassBytes(DataInput* input, int64_t count) {
  int64_t there = static_cast<int64_t>(input->end - input->begin);
  if (count <= there) {
    Consume(input, static_cast<size_t>(count));
    return 1;
  }
  if (input->mapped) {  // past the end: nothing is left
    input->offset += count;
    input->begin = input->end;
    return 1;
  }
  input->offset += there, count -= there;
  input->begin = input->end = 0;
  if (lseek(input->fd, count, SEEK_CUR) >= 0) {
    input->offset += count;
    return 1;
  }
  while (count > 0 && Available(input, 1) > 0) {
    int64_t step = static_cast<int64_t>(input->end) < count ? static_cast<int64_t>(input->end) : count;
    Consume(input, static_cast<size_t>(step));
    count -= step;
  }
  return 1;
}

FrameResult NextRecord(DataInput* input, int64_t recordLength, bool varies, int64_t number, Frame* frame) {
  switch (DataRecordFormat) {
    case RECORDS_VARIABLE: return FrameVariable(input, number, -1, frame);
    case RECORDS_BLOCKED: return FrameBlocked(input, number, frame);
    case RECORDS_LINES: return FrameLine(input, frame);
    default: break;
  }
  size_t there = Available(input, static_cast<size_t>(recordLength));
  if (there == 0) return FRAME_END;
  if (!varies && static_cast<int64_t>(there) < recordLength)
    return FrameResult(Fail("Record %" PRId64 " at byte %" PRId64 " is cut off by the end of the file after %" PRId64 " bytes\n",
                            number, input->offset, static_cast<int64_t>(there)));
  int64_t length = static_cast<int64_t>(there) < recordLength ? static_cast<int64_t>(there) : recordLength;
  *frame = {input->offset, 0, length, recordLength};
  return FRAME_RECORD;
}

void PassRecord(DataInput* input, const Frame& frame) {
  if (DataRecordFormat == RECORDS_BLOCKED) input->blockLeft -= frame.extent;
  PassBytes(input, frame.extent);
}
