// Random copybooks within the accepted grammar, for the tests against cobc:
// nested groups, OCCURS, REDEFINES chains (redefinitions of redefinitions
// among them), SYNC, SIGN, USAGE on groups and entries with DISPLAY
// written, VALUE, level-88 entries, FILLER, and P scaling when read as a
// compiler does. Other names are unique, so every field can be referenced;
// shapes where cobc lays out differently by design (SYNC inside a table,
// and with --cobol an 8-byte binary SYNC item) are left out.
#include <algorithm>
#include <random>
#include <string>

namespace {

struct Generator {
  std::mt19937 random;
  std::string text;
  int names = 0;
  bool cobol;  // read as a compiler does (--cobol)

  int Pick(int n) { return static_cast<int>(random() % n); }
  std::string Name(const char* stem) { return stem + std::to_string(++names); }
  // An entry, its words wrapped before column 73.
  void Line(int level, const std::string& body) {
    std::string line = std::string(level == 88 ? 11 : 7 + level / 5 * 2, ' ') +
                       (level < 10 ? "0" : "") + std::to_string(level);
    size_t at = 0;
    for (std::string word; at < body.size(); line += " " + word) {
      size_t end = std::min(body.find(' ', at + 1), body.size());
      word = body.substr(at, end - at);
      if (word[0] == ' ') word.erase(0, 1);
      at = end;
      if (line.size() + word.size() + 2 > 72) text += line + "\n", line = std::string(12, ' ');
    }
    text += line + ".\n";
  }

  // A numeric picture and clauses; numericOnly: under a group with a USAGE.
  std::string Numeric(bool inTable, bool numericOnly) {
    std::string pic = Pick(2) ? "S9(" : "9(";
    int digits = 1 + Pick(12);
    pic += std::to_string(digits) + ")";
    int fraction = Pick(cobol ? 6 : 3);  // 4: P scaling positions, only as a compiler reads them
    if (fraction % 3 == 0) {
      int decimals = 1 + Pick(3);
      pic += "V9(" + std::to_string(decimals) + ")";
      digits += decimals;
    }
    static const char* const USAGES[] = {"", " USAGE DISPLAY", " DISPLAY", " COMP-3",
                                         " COMP", " BINARY", " COMP-4", " PACKED-DECIMAL"};
    int usage = Pick(8);
    if (numericOnly && usage == 0 && Pick(2)) usage = 1;  // DISPLAY written over the group's
    // cobc 3.1.2 stores packed numbers with P scaling wrongly: none are made.
    if (fraction == 4 && usage != 3 && usage != 7 && (usage || !numericOnly))
      pic += "P(" + std::to_string(1 + Pick(3)) + ")";
    std::string clauses = " PIC " + pic + USAGES[usage];
    bool binary = usage >= 4 && usage <= 6;
    // IBM aligns a SYNC binary item of 10 to 18 digits on 4, cobc on 8.
    if (binary && !inTable && Pick(2) && !(cobol && digits > 9)) clauses += " SYNC";
    bool display = usage == 1 || usage == 2 || (usage == 0 && !numericOnly);
    if (display && pic[0] == 'S' && Pick(3) == 0)
      clauses += std::string(Pick(2) ? " SIGN LEADING" : " SIGN TRAILING") + (Pick(2) ? " SEPARATE" : "");
    return clauses;
  }

  // Members of a group at level, depth groups down.
  void Members(int level, int depth, bool inTable, bool numericOnly) {
    for (int count = depth ? 1 + Pick(5) : 4 + Pick(8); count > 0; count--) {
      if (depth < 3 && Pick(4) == 0) {
        Group(level, depth, inTable, numericOnly);
        continue;
      }
      std::string name = Name("F");
      int kind = numericOnly ? 1 : Pick(6);
      if (kind == 0 && !inTable) {  // a character area, perhaps redefined
        int length = 2 + Pick(10);
        Line(level, name + " PIC X(" + std::to_string(length) + ")" +
                        (Pick(3) == 0 ? " VALUE 'A'" : ""));
        if (Pick(3) == 0) Line(88, Name("C") + " VALUE 'A' 'B'");
        std::string target = name;
        for (int r = Pick(3); r > 0; r--) {
          std::string redefining = Name("R");
          int part = 1 + Pick(length);
          Line(level, redefining + " REDEFINES " + target +
                          (Pick(2) ? " PIC X(" + std::to_string(part) + ")"
                                   : " PIC S9(" + std::to_string(part * 2 - 1) + ") COMP-3"));
          if (Pick(2)) target = redefining, length = part;  // the next one redefines this one
        }
      } else if (kind == 5 && !numericOnly) {
        Line(level, name + (Pick(2) ? " COMP-1" : " COMP-2") + (inTable || Pick(2) ? "" : " SYNC"));
      } else if (kind == 4 && !numericOnly) {
        Line(level, (Pick(3) ? name : "FILLER") + " PIC X OCCURS " + std::to_string(1 + Pick(4)));
      } else {
        Line(level, name + Numeric(inTable, numericOnly));
        if (Pick(4) == 0) Line(88, Name("C") + " VALUE 1");
      }
    }
  }

  void Group(int level, int depth, bool inTable, bool numericOnly) {
    int inner = level + 5;
    std::string clauses;
    bool table = Pick(3) == 0;
    if (table) clauses += " OCCURS " + std::to_string(2 + Pick(3));
    if (Pick(4) == 0) {
      static const char* const USAGES[] = {" USAGE COMP-3", " COMP", " BINARY", " DISPLAY"};
      int usage = Pick(4);
      clauses += USAGES[usage];
      numericOnly = numericOnly || usage < 3;
    }
    if (!numericOnly && Pick(5) == 0) clauses += " SIGN LEADING SEPARATE";
    Line(level, Name("G") + clauses);
    Members(inner, depth + 1, inTable || table, numericOnly);
  }
};

}  // namespace

std::string RandomCopybook(unsigned seed, bool cobol) {
  Generator generator;
  generator.cobol = cobol;
  generator.random.seed(seed);
  generator.Line(1, "REC" + std::to_string(seed));
  generator.Members(5, 0, false, false);
  return generator.text;
}
