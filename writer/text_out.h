// An output's text (the format file, the map), built in one large buffer
// and handed to its stream in big blocks: no formatting call and no
// temporary per member.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>

struct TextOut {
  FILE* stream;     // where full blocks go; errors stay on it for the caller
  char* data;       // the buffer
  size_t used;      // bytes waiting in data
  size_t capacity;
};

// Binds the process-wide buffer to stream, empty.
TextOut* StartTextOut(FILE* stream);
// Hands what waits to the stream.
void FlushTextOut(TextOut* out);

// Room for count more bytes in one piece at the end of the buffer, made by
// flushing it or, for a piece larger than the buffer, by growing it; the
// caller adds what it wrote to used.
char* TextRoom(TextOut* out, size_t count);

void PutBytes(TextOut* out, const char* bytes, size_t count);

inline void PutText(TextOut* out, std::string_view text) {
  if (out->capacity - out->used >= text.size()) {
    // copy_n, unlike memcpy, is defined for an empty view that holds no pointer
    std::copy_n(text.data(), text.size(), out->data + out->used);
    out->used += text.size();
  } else {
    PutBytes(out, text.data(), text.size());
  }
}

inline void PutChar(TextOut* out, char c) { PutText(out, std::string_view(&c, 1)); }

// Decimal digits, with a '-' when negative.
void PutNumber(TextOut* out, int64_t number);
