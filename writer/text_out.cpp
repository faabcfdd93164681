// The text buffer of the outputs, one at a time.
#include "writer/text_out.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string>

static char Block[1 << 19];
static std::string Grown;  // in place of Block after a piece larger than it
static TextOut Text;

TextOut* StartTextOut(FILE* stream) {
  Text = {stream, Block, 0, sizeof Block};
  return &Text;
}

char* TextRoom(TextOut* out, size_t count) {
  if (out->capacity - out->used < count) {
    FlushTextOut(out);
    if (count > out->capacity) {
      Grown.resize(count);
      out->data = Grown.data();
      out->capacity = count;
    }
  }
  return out->data + out->used;
}

void FlushTextOut(TextOut* out) {
  if (out->used != 0) std::fwrite(out->data, 1, out->used, out->stream);
  out->used = 0;
}

void PutBytes(TextOut* out, const char* bytes, size_t count) {
  for (;;) {
    size_t part = std::min(out->capacity - out->used, count);
    std::memcpy(out->data + out->used, bytes, part);
    out->used += part;
    bytes += part;
    count -= part;
    if (count == 0) return;
    FlushTextOut(out);
  }
}

void PutNumber(TextOut* out, int64_t number) {
  char digits[24];
  std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, number);
  PutText(out, std::string_view(digits, static_cast<size_t>(end.ptr - digits)));
}
