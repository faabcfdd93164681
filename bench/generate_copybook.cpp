// Writes a large valid copybook of a given shape and number of entries to
// standard output, for timing the converter on sizes no real copybook has.
//
//   generate_copybook SHAPE ENTRIES
//
// Shapes: flat (distinct members of mixed types), shared (members sharing
// eight names), nested (groups three deep whose names repeat), redefines
// (a REDEFINES chain every three fields), conditions (four level-88
// entries per field). Units are written whole, so that every group has its
// members: the count may pass ENTRIES by up to four.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const char* const PICTURES[] = {"PIC X(10).", "PIC 9(5).", "PIC S9(7)V99 COMP-3.",
                                "PIC S9(4) COMP.", "PIC S9(9) COMP.", "PIC X(2)."};

long written = 0;
long wanted = 0;

void Entry(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vprintf(format, args);
  va_end(args);
  written++;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: generate_copybook flat|shared|nested|redefines|conditions ENTRIES\n");
    return 2;
  }
  std::string shape = argv[1];
  wanted = std::atol(argv[2]);
  static char buffer[1 << 16];
  std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
  Entry("       01  BENCH-RECORD.\n");
  for (long i = 0; written < wanted; i++) {
    if (shape == "flat") {
      Entry("           05  FIELD-%07ld   %s\n", i, PICTURES[i % 6]);
    } else if (shape == "shared") {
      Entry("           05  SHARED-%ld   %s\n", i % 8, PICTURES[i % 6]);
    } else if (shape == "nested") {
      Entry("           05  OUTER-%ld.\n", i % 16);
      Entry("               10  MIDDLE.\n");
      Entry("                   15  INNER-%ld.\n", i % 4);
      Entry("                       20  LEAF-A   PIC X(3).\n");
      Entry("                       20  LEAF-B   PIC S9(5) COMP-3.\n");
    } else if (shape == "redefines") {
      Entry("           05  BASE-%07ld    PIC X(8).\n", i);
      Entry("           05  ALT-%07ld REDEFINES BASE-%07ld PIC S9(15) COMP-3.\n", i, i);
      Entry("           05  NEXT-%07ld    PIC 9(4).\n", i);
    } else if (shape == "conditions") {
      Entry("           05  CODE-%07ld    PIC X(2).\n", i);
      for (int c = 0; c < 4; c++) Entry("               88  CODE-%07ld-%d VALUE 'A%d'.\n", i, c, c);
    } else {
      std::fprintf(stderr, "unknown shape '%s'\n", shape.c_str());
      return 2;
    }
  }
  return 0;
}
