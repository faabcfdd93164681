// The format file's text buffer.
#include "writer/text_out.h"

#include <algorithm>
#include <charconv>
#include <cstring>

static char Block[1 << 19];
static TextOut FormatText;

TextOut* StartTextOut(FILE* stream) {
  FormatText = {stream, Block, 0, sizeof Block};
  return &FormatText;
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
