// Two buffers: one is filled while the thread writes the other.
#include "decoder/output.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace {

// Small enough that a buffer is still in the caches when the thread writes it.
constexpr size_t LEAST_BUFFER = size_t{2} << 20;

void WriteAll(OutputSink* sink, const char* data, size_t size) {
  while (size > 0 && sink->error == 0) {
    ssize_t written = write(sink->fd, data, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      sink->error = written < 0 ? errno : EIO;
      return;
    }
    data += written, size -= static_cast<size_t>(written);
    sink->written += written;
  }
}

// Empties the old file, on the thread: a large one takes long to let go.
// One byte is kept, to be written over: ext4 writes a file emptied to
// nothing back to the disk whole when it is closed (its guard for files
// replaced by rewriting), which would put the whole write-back at the end
// of the run; the file is cut to its length once written.
void EmptyOldFile(OutputSink* sink) {
  if (sink->oldSize > 1 && ftruncate(sink->fd, 1) != 0) sink->error = errno;
}

void WriterLoop(OutputSink* sink) {
  EmptyOldFile(sink);
  std::unique_lock<std::mutex> held(sink->lock);
  for (;;) {
    sink->changed.wait(held, [sink] { return sink->pending || sink->stop; });
    if (!sink->pending) break;
    const char* data = sink->pending;
    size_t size = sink->pendingSize;
    held.unlock();
    WriteAll(sink, data, size);
    held.lock();
    sink->pending = nullptr;
    sink->changed.notify_all();
  }
  if (sink->oldSize >= 0 && ftruncate(sink->fd, sink->written) != 0 && sink->error == 0) sink->error = errno;
}

}  // namespace

int StartOutput(OutputSink* sink, int fd, size_t most, int64_t oldSize) {
  sink->fd = fd;
  sink->oldSize = oldSize;
  sink->written = 0;
  sink->capacity = most * 4 > LEAST_BUFFER ? most * 4 : LEAST_BUFFER;
  for (char*& buffer : sink->buffers)
    if (!(buffer = static_cast<char*>(std::malloc(sink->capacity)))) {
      std::printf("Can not allocate %zu bytes for the output\n", sink->capacity);
      return 0;
    }
  sink->current = 0;
  sink->at = sink->buffers[0];
  sink->limit = sink->at + sink->capacity;
  sink->pending = nullptr;
  sink->stop = false;
  sink->error = 0;
  sink->writer = std::thread(WriterLoop, sink);
  return 1;
}

void HandOver(OutputSink* sink) {
  char* full = sink->buffers[sink->current];
  std::unique_lock<std::mutex> held(sink->lock);
  sink->changed.wait(held, [sink] { return !sink->pending; });
  sink->pending = full;
  sink->pendingSize = static_cast<size_t>(sink->at - full);
  sink->changed.notify_all();
  sink->current ^= 1;
  sink->at = sink->buffers[sink->current];
  sink->limit = sink->at + sink->capacity;
}

int FinishOutput(OutputSink* sink) {
  if (sink->at != sink->buffers[sink->current]) HandOver(sink);
  {
    std::unique_lock<std::mutex> held(sink->lock);
    sink->changed.wait(held, [sink] { return !sink->pending; });
    sink->stop = true;
    sink->changed.notify_all();
  }
  sink->writer.join();
  for (char* buffer : sink->buffers) std::free(buffer);
  return sink->error;
}
