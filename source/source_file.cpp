// The line store: the copybook read whole, in one block, whose lines are
// found as the reader steps through them.
#include "source/source_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <functional>

#include "cs/cs.h"

SourceFile* SourceFiles = nullptr;

// Room for a file whose size its status does not tell (a pipe, a device).
constexpr size_t FIRST_TEXT_CAPACITY = 1 << 16;

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

static int ReadWholeFile(SourceFile* file, size_t expected);

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
    CSReportNoMemory(static_cast<int64_t>(sizeof(SourceFile) + extra));
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
  return ReadWholeFile(file, S_ISREG(status.st_mode) ? static_cast<size_t>(status.st_size) : 0)
             ? file
             : nullptr;
}

// A block of capacity bytes whose first filled bytes will be written; huge
// pages go no further, so that the room past the text takes no memory.
static char* GetTextBlock(size_t capacity, size_t filled) {
  char* block = capacity < UINT32_MAX - CS_MEM_OVERHEAD
                    ? static_cast<char*>(CSGetMem(static_cast<uint32_t>(capacity)))
                    : nullptr;
  if (!block) CSReportNoMemory(static_cast<int64_t>(capacity));
  else CSAdviseHugePages(block, filled);
  return block;
}

// Reads the stream to its end into one block, which grows by doubling when
// the file holds more than its status told.
static int ReadWholeFile(SourceFile* file, size_t expected) {
  // A byte beyond the told size lets the end be seen without growing.
  size_t capacity = expected + 2;
  // Whole huge pages, unless that would pass the largest block there is.
  if (capacity >= CS_HUGE_PAGE && CSHugePageRoom(capacity) < UINT32_MAX - CS_MEM_OVERHEAD)
    capacity = CSHugePageRoom(capacity);
  if (expected == 0) capacity = FIRST_TEXT_CAPACITY;
  char* text = GetTextBlock(capacity, expected);
  if (!text) return 0;
  size_t size = 0;
  for (;;) {
    size += std::fread(text + size, 1, capacity - 1 - size, file->stream);
    if (size + 1 < capacity) break;
    char* grown = GetTextBlock(capacity * 2, capacity * 2);
    if (!grown) {
      CSFreeMem(text);
      return 0;
    }
    std::memcpy(grown, text, size);
    CSFreeMem(text);
    text = grown;
    capacity *= 2;
  }
  if (std::ferror(file->stream)) {
    CSFreeMem(text);
    std::printf("Error reading from file '%s'\n", file->path);
    return 0;
  }
  text[size] = '\0';
  file->text = text;
  file->size = size;
  file->hasNul = std::memchr(text, '\0', size) != nullptr;
  return 1;
}

// Sets the line that begins at start, which lies before the end of text.
static void SetLine(SourceLine* line, char* start) {
  const char* end = line->file->text + line->file->size;
  auto* feed = static_cast<const char*>(std::memchr(start, '\n', end - start));
  size_t length = (feed ? feed : end) - start;
  // A carriage return before the line feed is part of the line end.
  if (feed && length > 0 && start[length - 1] == '\r') length--;
  line->text = start;
  line->length = static_cast<int32_t>(length);
}

int FirstSourceLine(SourceFile* file, SourceLine* line) {
  if (!file->text || file->size == 0) return 0;
  line->file = file;
  line->number = 1;
  SetLine(line, file->text);
  return 1;
}

int NextSourceLine(SourceLine* line) {
  SourceFile* file = line->file;
  char* end = file->text + file->size;
  char* feed = line->text + line->length;
  while (feed < end && *feed != '\n') feed++;  // past a carriage return
  if (feed + 1 >= end) return 0;
  line->number++;
  SetLine(line, feed + 1);
  return 1;
}

int FindSourceLine(const char* p, SourceLine* line) {
  std::less_equal<const char*> notAfter;
  for (SourceFile* file = SourceFiles; file; file = file->next) {
    if (!file->text || !notAfter(file->text, p) || !notAfter(p, file->text + file->size)) continue;
    // Lines are numbered only here, for a diagnostic: by the line feeds before p.
    size_t offset = static_cast<size_t>(p - file->text);
    std::string_view before(file->text, offset);
    size_t feed = before.rfind('\n');
    char* start = file->text + (feed == std::string_view::npos ? 0 : feed + 1);
    if (start == file->text + file->size) return 0;  // after the last line feed
    line->file = file;
    line->number = static_cast<int32_t>(std::count(before.begin(), before.end(), '\n')) + 1;
    SetLine(line, start);
    return notAfter(p, line->text + line->length);
  }
  return 0;
}

void ResetSourceFiles() {
  for (SourceFile* file = SourceFiles; file; file = file->next)
    if (file->stream) std::fclose(file->stream);
  SourceFiles = nullptr;
}
