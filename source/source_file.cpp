// The line store: the copybook read whole into numbered lines.
#include "source/source_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "cs/cs.h"

SourceFile* SourceFiles = nullptr;

static char* LineBuffer = nullptr;   // shared by every read, grows by doubling
static size_t LineCapacity = 0;
constexpr size_t FIRST_LINE_CAPACITY = 10;

static bool IsSeparator(char c) { return c == ':' || c == '/' || c == '\\'; }

PathParts SplitPath(std::string_view name) {
  size_t start = name.find_first_not_of(' ');
  if (start == std::string_view::npos) return {};
  name.remove_prefix(start);
  // The first character is a separator only as the root '/'.
  size_t at = name.size();
  while (at > 1 && !IsSeparator(name[at - 1])) at--;
  if (at == 1 && name[0] != '/') at = 0;
  if (at == 0) return {{}, name};
  std::string_view directory = name.substr(0, at);
  if (directory.size() > 1 && (directory.back() == '/' || directory.back() == '\\'))
    directory.remove_suffix(1);
  return {directory, name.substr(at)};
}

static std::string CurrentDirectory() {
  std::string directory(256, '\0');
  while (!getcwd(directory.data(), directory.size())) {
    if (errno != ERANGE) return {};
    directory.resize(directory.size() * 2);
  }
  directory.resize(std::strlen(directory.c_str()));
  return directory;
}

// Copies text and a terminator behind the record; returns where it went.
static char* StoreText(char*& room, std::string_view text) {
  char* stored = room;
  std::memcpy(stored, text.data(), text.size());
  stored[text.size()] = '\0';
  room += text.size() + 1;
  return stored;
}

SourceFile* LoadSourceFile(const std::string& name) {
  PathParts parts = SplitPath(name);
  std::string directory(parts.directory);
  if (directory.empty()) {
    directory = CurrentDirectory();
    if (directory.empty()) {
      std::printf("Can not read the current directory\n");
      return nullptr;
    }
  }
  std::string path = directory;
  if (path.back() != '/') path += '/';
  path += parts.file;

  uint64_t extra = uint64_t{path.size()} + directory.size() + 2;
  SourceFile* file = extra < UINT32_MAX / 2
                         ? CSNewRecord<SourceFile>(static_cast<uint32_t>(extra))
                         : nullptr;
  if (!file) {
    std::printf("Can not allocate %d bytes\n",
                static_cast<int>(sizeof(SourceFile) + extra));
    return nullptr;
  }
  char* room = reinterpret_cast<char*>(file + 1);
  file->path = StoreText(room, path);
  file->directory = StoreText(room, directory);
  file->next = SourceFiles;
  SourceFiles = file;

  file->stream = std::fopen(file->path, "rb");
  struct stat status;
  if (file->stream && (fstat(fileno(file->stream), &status) != 0 ||
                       S_ISDIR(status.st_mode))) {
    std::fclose(file->stream);  // a directory opens, but holds no lines
    file->stream = nullptr;
  }
  if (!file->stream) {
    std::printf("Can not open file '%s'\n", file->path);
    return nullptr;
  }
  for (;;) {
    SourceLine* line = nullptr;
    if (!ReadSourceLine(file, &line)) return nullptr;
    if (!line) return file;
    if (file->lastLine)
      file->lastLine->next = line;
    else
      file->firstLine = line;
    file->lastLine = line;
  }
}

// Reads at most room - 1 bytes into dest, stopping after a line feed, as
// fgets does, but counting the bytes so that a NUL byte is kept.
static size_t ReadUpToLineFeed(FILE* stream, char* dest, size_t room) {
  size_t count = 0;
  while (count + 1 < room) {
    int c = getc_unlocked(stream);
    if (c == EOF) break;
    dest[count++] = static_cast<char>(c);
    if (c == '\n') break;
  }
  return count;
}

static int GrowLineBuffer() {
  size_t doubled = LineCapacity * 2;
  char* grown = doubled <= INT32_MAX
                    ? static_cast<char*>(CSGetMem(static_cast<uint32_t>(doubled)))
                    : nullptr;
  if (!grown) {
    std::printf("Can not allocate %lld bytes\n", static_cast<long long>(doubled));
    return 0;
  }
  std::memcpy(grown, LineBuffer, LineCapacity);
  CSFreeMem(LineBuffer);
  LineBuffer = grown;
  LineCapacity = doubled;
  return 1;
}

int ReadSourceLine(SourceFile* file, SourceLine** line) {
  *line = nullptr;
  if (!LineBuffer) {
    LineBuffer = static_cast<char*>(CSGetMem(FIRST_LINE_CAPACITY));
    if (!LineBuffer) {
      std::printf("Can not allocate %d bytes\n", static_cast<int>(FIRST_LINE_CAPACITY));
      return 0;
    }
    LineCapacity = FIRST_LINE_CAPACITY;
  }
  size_t length = 0;
  bool complete = false;
  for (;;) {
    size_t got = ReadUpToLineFeed(file->stream, LineBuffer + length,
                                  LineCapacity - length);
    if (got == 0) break;
    length += got;
    if (LineBuffer[length - 1] == '\n') {
      complete = true;
      length--;
      // A carriage return before the line feed is part of the line end.
      if (length > 0 && LineBuffer[length - 1] == '\r') length--;
      break;
    }
    if (length + 1 == LineCapacity && !GrowLineBuffer()) return 0;
  }
  if (!complete) {
    if (ferror(file->stream)) {
      std::printf("Error reading from file '%s'\n", file->path);
      return 0;
    }
    if (length == 0) return 1;  // the end of the file
  }
  SourceLine* stored =
      CSNewRecord<SourceLine>(static_cast<uint32_t>(length + 1));
  if (!stored) {
    std::printf("Can not allocate %d bytes\n",
                static_cast<int>(sizeof(SourceLine) + length + 1));
    return 0;
  }
  char* room = reinterpret_cast<char*>(stored + 1);
  stored->text = StoreText(room, {LineBuffer, length});
  stored->file = file;
  stored->length = static_cast<int32_t>(length);
  stored->number = ++file->lineCount;
  *line = stored;
  return 1;
}

void ResetSourceFiles() {
  for (SourceFile* file = SourceFiles; file; file = file->next)
    if (file->stream) std::fclose(file->stream);
  SourceFiles = nullptr;
  LineBuffer = nullptr;
  LineCapacity = 0;
}
