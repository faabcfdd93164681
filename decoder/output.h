// The decoded output: text formatted into one large buffer while a second
// thread writes the other one out, so that writing overlaps decoding.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>

struct OutputSink {
  int fd;
  char* buffers[2];
  size_t capacity;
  int current;              // the buffer being filled
  char* at;                 // where the next text goes
  char* limit;              // the end of the current buffer
  // Shared with the writing thread under lock.
  std::mutex lock;
  std::condition_variable changed;
  char* pending;            // handed over, not yet written; null: none
  size_t pendingSize;
  bool stop;
  int error;                // errno of a failed write; 0: none
  int64_t oldSize;          // a regular file's length before the run; -1:
                            // not a file to cut to what is written
  int64_t written;          // bytes the thread wrote
  std::thread writer;
};

// Starts writing to fd with buffers of at least most bytes; a regular file
// of oldSize bytes (-1: none) is emptied first and cut to what was written
// at the end, both on the thread. 0 after a message.
int StartOutput(OutputSink* sink, int fd, size_t most, int64_t oldSize);
// Hands the current buffer to the thread and goes on in the other.
void HandOver(OutputSink* sink);
// Room for count bytes at sink->at, handing the full buffer over when needed.
inline char* Reserve(OutputSink* sink, size_t count) {
  if (static_cast<size_t>(sink->limit - sink->at) < count) HandOver(sink);
  return sink->at;
}
// Writes what is left and stops the thread; the errno of a failed write, or 0.
int FinishOutput(OutputSink* sink);
