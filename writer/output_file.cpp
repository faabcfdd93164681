// Outputs written whole or not at all: a temporary file beside the target,
// renamed over it once complete.
#include "writer/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <filesystem>

namespace {

// Temporary files being written; a signal that ends the run removes them.
constexpr int MOST_TEMPORARIES = 4;
const char* volatile Temporaries[MOST_TEMPORARIES];
// SIGXFSZ too: the file size limit kills the run in the middle of a write.
constexpr int CLEANING_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP, SIGXFSZ};
// Beyond this the temporary file's name would pass the longest file name.
constexpr size_t MOST_NAME_IN_TEMPORARY = 200;

// A signal handler: async-signal-safe calls only. The default action is
// back in place (SA_RESETHAND), so raising the signal again ends the run
// as the signal would have without this handler.
extern "C" void RemoveTemporaries(int signal) {
  for (int i = 0; i < MOST_TEMPORARIES; i++)
    if (const char* path = Temporaries[i]) unlink(path);
  raise(signal);
}

// Signals whose disposition the user left alone get the handler; an
// ignored SIGHUP (nohup) stays ignored.
void CatchSignals() {
  struct sigaction action = {};
  action.sa_handler = RemoveTemporaries;
  sigemptyset(&action.sa_mask);
  for (int signal : CLEANING_SIGNALS) sigaddset(&action.sa_mask, signal);
  action.sa_flags = SA_RESETHAND;
  for (int signal : CLEANING_SIGNALS) {
    struct sigaction old;
    if (sigaction(signal, nullptr, &old) == 0 && !(old.sa_flags & SA_SIGINFO) &&
        old.sa_handler == SIG_DFL)
      sigaction(signal, &action, nullptr);
  }
}

// Making or removing a temporary file and its entry in Temporaries is one
// step as far as the handler can tell.
sigset_t BlockSignals() {
  sigset_t set, old;
  sigemptyset(&set);
  for (int signal : CLEANING_SIGNALS) sigaddset(&set, signal);
  sigprocmask(SIG_BLOCK, &set, &old);
  return old;
}

void Register(const char* path) {
  for (int i = 0; i < MOST_TEMPORARIES; i++)
    if (!Temporaries[i]) {
      Temporaries[i] = path;
      return;
    }
}

void Unregister(const char* path) {
  for (int i = 0; i < MOST_TEMPORARIES; i++)
    if (Temporaries[i] == path) Temporaries[i] = nullptr;
}

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// A new file is made as open(2) would make it; a replaced one keeps its mode.
mode_t ModeOf(const struct stat* old) {
  if (old) return old->st_mode & 07777;
  mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

// "<folder>/.<name>.XXXXXX", made and registered; 0 when the folder takes
// no new file.
int OpenTemporary(OutputFile* file, const struct stat* old) {
  size_t slash = file->path.rfind('/');
  std::string name = file->path.substr(slash == std::string::npos ? 0 : slash + 1);
  file->temporary = file->path.substr(0, slash == std::string::npos ? 0 : slash + 1) + "." +
                    name.substr(0, MOST_NAME_IN_TEMPORARY) + ".XXXXXX";
  CatchSignals();
  sigset_t saved = BlockSignals();
  int fd = mkstemp(file->temporary.data());
  if (fd >= 0) Register(file->temporary.c_str());
  sigprocmask(SIG_SETMASK, &saved, nullptr);
  if (fd >= 0 && fchmod(fd, ModeOf(old)) == 0 && (file->stream = fdopen(fd, "w"))) {
    std::setvbuf(file->stream, nullptr, _IONBF, 0);  // the text buffer is in front
    return 1;
  }
  if (fd >= 0) {
    close(fd);
    DiscardOutputFile(file);
  }
  file->temporary.clear();
  return 0;
}

// A device or a FIFO: a FIFO with no reader is refused at once, not waited for.
int OpenDirectly(OutputFile* file) {
  int fd = open(file->path.c_str(), O_WRONLY | O_NONBLOCK | O_TRUNC | O_CLOEXEC);
  if (fd < 0) return 0;
  if (fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0 ||
      !(file->stream = fdopen(fd, "w"))) {
    close(fd);
    return 0;
  }
  return 1;
}

int CanNotWrite(const std::string& name) {
  std::printf("Can not write to file '%s'\n", name.c_str());
  return 0;
}

}  // namespace

// The path name leads to, its symbolic links followed, also when the last
// one names no file yet.
static std::string FollowLinks(const std::string& name) {
  std::string path = name;
  for (int hop = 0; hop < 40; hop++) {  // the kernel's own limit; then open fails
    struct stat status;
    if (lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) break;
    std::string target(static_cast<size_t>(status.st_size) + 2, '\0');
    ssize_t length = readlink(path.c_str(), target.data(), target.size());
    if (length <= 0 || static_cast<size_t>(length) >= target.size()) break;
    target.resize(static_cast<size_t>(length));
    size_t slash = path.rfind('/');
    path = target[0] == '/' || slash == std::string::npos ? target : path.substr(0, slash + 1) + target;
  }
  return path;
}

bool SameFile(const std::string& one, const std::string& other) {
  std::string onePath = FollowLinks(one), otherPath = FollowLinks(other);
  struct stat a, b;
  if (stat(onePath.c_str(), &a) == 0 && stat(otherPath.c_str(), &b) == 0)
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
  namespace fs = std::filesystem;
  std::error_code error, otherError;
  fs::path path = fs::weakly_canonical(fs::absolute(onePath, error), error);
  fs::path pathOfOther = fs::weakly_canonical(fs::absolute(otherPath, otherError), otherError);
  return !error && !otherError && path == pathOfOther;
}

int CheckOutputFile(const std::string& name) {
  std::string path = FollowLinks(name);
  struct stat status;
  bool writable = stat(path.c_str(), &status) == 0
                      ? !S_ISDIR(status.st_mode) && access(path.c_str(), W_OK) == 0
                      : errno == ENOENT && access(FolderOf(path).c_str(), W_OK | X_OK) == 0;
  return writable ? 1 : CanNotWrite(name);
}

int OpenOutputFile(OutputFile* file, const std::string& name) {
  file->name = name;
  file->path = FollowLinks(name);
  file->temporary.clear();
  file->stream = nullptr;
  file->inPlace = false;
  struct stat status;
  bool exists = stat(file->path.c_str(), &status) == 0;
  if (exists && !S_ISREG(status.st_mode)) {
    if (!OpenDirectly(file)) return CanNotWrite(name);
  } else if (exists ? access(file->path.c_str(), W_OK) != 0 : errno != ENOENT) {
    return CanNotWrite(name);
  } else if (!OpenTemporary(file, exists ? &status : nullptr)) {
    // A folder that takes no new file may still hold a writable file: it
    // is written in place, as nothing else can be done.
    if (!exists || !(file->stream = std::fopen(file->path.c_str(), "w"))) return CanNotWrite(name);
    file->inPlace = true;
  }
  file->text = StartTextOut(file->stream);
  return 1;
}

void OpenStandardOutput(OutputFile* file) {
  file->name = "-";
  file->path.clear();
  file->temporary.clear();
  file->stream = stdout;
  file->inPlace = false;
  file->text = StartTextOut(stdout);
}

int FinishOutputFile(OutputFile* file) {
  FlushTextOut(file->text);
  bool failed = std::fflush(file->stream) != 0 || std::ferror(file->stream);
  if (file->stream == stdout) return !failed;
  if (!failed && !file->temporary.empty()) failed = fsync(fileno(file->stream)) != 0;
  failed = std::fclose(file->stream) != 0 || failed;
  file->stream = nullptr;
  if (!failed && !file->temporary.empty()) {
    sigset_t saved = BlockSignals();
    failed = std::rename(file->temporary.c_str(), file->path.c_str()) != 0;
    if (!failed) {
      Unregister(file->temporary.c_str());
      file->temporary.clear();
    }
    sigprocmask(SIG_SETMASK, &saved, nullptr);
  }
  if (!failed) return 1;
  std::printf("Error writing to file '%s'\n", file->name.c_str());
  DiscardOutputFile(file);
  return 0;
}

void DiscardOutputFile(OutputFile* file) {
  if (file->stream && file->stream != stdout) std::fclose(file->stream);
  file->stream = nullptr;
  if (!file->temporary.empty()) {
    sigset_t saved = BlockSignals();
    unlink(file->temporary.c_str());
    Unregister(file->temporary.c_str());
    sigprocmask(SIG_SETMASK, &saved, nullptr);
    file->temporary.clear();
  } else if (file->inPlace) {
    std::remove(file->path.c_str());
  }
}
