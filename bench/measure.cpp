// Runs a command with its output thrown away (or kept in the file that
// MEASURE_LOG names, so that a failed run's messages can be shown) and
// prints its wall-clock time, CPU time (user plus system) in seconds, peak
// resident memory in KB and exit status: "wall cpu kb status".
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: measure COMMAND [ARGUMENT...]\n");
    return 2;
  }
  auto start = std::chrono::steady_clock::now();
  pid_t child = fork();
  if (child == 0) {
    int null = open("/dev/null", O_RDWR);
    const char* log = std::getenv("MEASURE_LOG");
    int kept = log ? open(log, O_WRONLY | O_CREAT | O_TRUNC, 0666) : -1;
    dup2(null, 0);
    dup2(kept >= 0 ? kept : null, 1);
    dup2(kept >= 0 ? kept : null, 2);
    execvp(argv[1], argv + 1);
    _exit(127);
  }
  int status = 0;
  struct rusage usage {};
  wait4(child, &status, 0, &usage);
  double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  double cpu = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
               usage.ru_stime.tv_usec / 1e6;
  int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  std::printf("%.4f %.4f %ld %d\n", wall, cpu, usage.ru_maxrss, code);
  return 0;
}
