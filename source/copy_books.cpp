// COPY statements: each is replaced by the logical lines of its member,
// found beside the including file or in a --copy-path folder, with the
// REPLACING pairs applied to the member's text.
#include <sys/stat.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <map>
#include <utility>

#include "driver/settings.h"
#include "source/char_classes.h"
#include "source/cobol_source.h"
#include "source/diagnostic.h"
#include "cs/letter_case.h"

namespace {

struct Spot {
  size_t line;  // index into the logical lines
  size_t at;    // offset in that line's text
};

enum TokenKind { TK_WORD, TK_LITERAL, TK_PSEUDO_TEXT, TK_PERIOD, TK_END };

struct CopyToken {
  TokenKind kind;
  Spot start;
  Spot end;           // just after the token
  std::string text;   // pseudo-text without its "==" marks
};

// How a REPLACING pair matches.
enum ReplaceMode : uint8_t {
  RM_WORDS = 0,     // whole text words
  RM_TAG = 1,       // a lone word between colons (":TAG:"), inside other words too
  RM_LEADING = 2,   // one word, at the start of a text word
  RM_TRAILING = 3,  // one word, at the end of a text word
};

// One REPLACING pair: the text words to find, and what replaces them.
struct Replacing {
  std::vector<std::string> from;
  std::string to;
  ReplaceMode mode;
};

// Files of the COPY statements being expanded, the including ones first.
struct OpenMember {
  dev_t device;
  ino_t inode;
};
std::vector<OpenMember> OpenMembers;

// The copybook with its members in place holds at most this much: members
// that each COPY the next one twice, 30 deep, would make a billion lines.
constexpr size_t MOST_EXPANDED_LINES = size_t{1} << 21;
constexpr size_t MOST_EXPANDED_BYTES = size_t{64} << 20;

// A member's logical lines before its own COPY statements and REPLACING,
// with the folder it was found in: a member copied again is not read again.
struct ReadMemberLines {
  const char* folder;
  std::vector<LogicalLine> lines;
};
std::map<std::pair<dev_t, ino_t>, ReadMemberLines> MembersRead;

// Counted as the logical file will hold them: text and a line end each.
struct ExpandedSize {
  size_t lines = 0, bytes = 0;
  void Add(const LogicalLine& line) { lines++, bytes += line.text.size() + 1; }
  bool Passed() const { return lines > MOST_EXPANDED_LINES || bytes > MOST_EXPANDED_BYTES; }
};

constexpr std::string_view MEMBER_TYPES[] = {"", ".cpy", ".CPY", ".cbl", ".CBL", ".cob", ".COB"};

bool IsQuote(char c) { return IsClass(c, CC_QUOTE); }
bool IsSeparator(char c) { return IsClass(c, CC_SEPARATOR); }

// A period ends a word when a space or the end of the line follows it.
bool IsPeriodAt(std::string_view text, size_t at) {
  return text[at] == '.' && (at + 1 == text.size() || text[at + 1] == ' ');
}

// End of the literal that opens at start, its closing quote included; a
// doubled quote stands for one. An open literal ends with the line.
size_t LiteralEnd(std::string_view text, size_t start) {
  char quote = text[start];
  for (size_t i = start + 1; i < text.size(); i++) {
    if (text[i] != quote) continue;
    if (i + 1 < text.size() && text[i + 1] == quote) {
      i++;
      continue;
    }
    return i + 1;
  }
  return text.size();
}

size_t WordEnd(std::string_view text, size_t start) {
  size_t i = start;
  while (i < text.size() && !IsSeparator(text[i]) && !IsPeriodAt(text, i)) i++;
  return i;
}

// The position of the token and the message; returns 0. Logical lines
// begin at the code area of their physical line.
__attribute__((format(printf, 3, 4))) int ReportAtToken(const std::vector<LogicalLine>& lines,
                                                         const CopyToken& token,
                                                         const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  ReportAtLineV(&lines[token.start.line].origin, int64_t{MinCodeOffset} + 1 + token.start.at,
                format, arguments);
  va_end(arguments);
  return 0;
}

// The next token from spot on, across lines; false after a message for a
// pseudo-text without its closing "==".
bool NextToken(const std::vector<LogicalLine>& lines, Spot* spot, CopyToken* token) {
  for (; spot->line < lines.size(); spot->line++, spot->at = 0) {
    std::string_view text = lines[spot->line].text;
    while (spot->at < text.size() && IsSeparator(text[spot->at])) spot->at++;
    if (spot->at < text.size()) break;
  }
  token->start = *spot;
  token->text.clear();
  if (spot->line >= lines.size()) {
    token->kind = TK_END;  // stands just after the last line's text
    token->start = token->end = {lines.size() - 1, lines.back().text.size()};
    return true;
  }
  std::string_view text = lines[spot->line].text;
  size_t at = spot->at;
  if (text.compare(at, 2, "==") == 0) {
    token->kind = TK_PSEUDO_TEXT;
    size_t line = spot->line, from = at + 2;
    for (;;) {
      std::string_view part = lines[line].text;
      size_t close = part.find("==", from);
      token->text.append(part.substr(from, close == std::string_view::npos ? part.npos : close - from));
      if (close != std::string_view::npos) {
        *spot = {line, close + 2};
        break;
      }
      token->text += ' ';
      from = 0;
      if (++line == lines.size()) {
        return ReportAtToken(lines, *token, "Pseudo-text not ended by '=='\n");
      }
    }
  } else if (IsPeriodAt(text, at)) {
    token->kind = TK_PERIOD;
    spot->at = at + 1;
  } else if (IsQuote(text[at])) {
    token->kind = TK_LITERAL;
    spot->at = LiteralEnd(text, at);
    token->text = text.substr(at, spot->at - at);
  } else {
    token->kind = TK_WORD;
    spot->at = WordEnd(text, at);
    token->text = text.substr(at, spot->at - at);
  }
  token->end = *spot;
  return true;
}

// Steps *at past separators to the next text word, which ends at *end:
// literals whole, words between separators; false at the end of the text.
static bool NextTextWord(std::string_view text, size_t* at, size_t* end) {
  while (*at < text.size() && IsSeparator(text[*at])) (*at)++;
  if (*at >= text.size()) return false;
  *end = IsQuote(text[*at]) ? LiteralEnd(text, *at)
         : IsPeriodAt(text, *at) ? *at + 1
                                 : WordEnd(text, *at);
  return true;
}

// The text words of a text.
std::vector<std::string> TextWords(std::string_view text) {
  std::vector<std::string> words;
  for (size_t at = 0, end; NextTextWord(text, &at, &end); at = end)
    words.emplace_back(text.substr(at, end - at));
  return words;
}

std::string Trimmed(std::string_view text) {
  size_t start = text.find_first_not_of(' ');
  if (start == std::string_view::npos) return {};
  size_t end = text.find_last_not_of(' ');
  return std::string(text.substr(start, end - start + 1));
}

bool IsTag(const std::vector<std::string>& words) {
  return words.size() == 1 && words[0].size() > 2 && words[0].front() == ':' &&
         words[0].back() == ':';
}

// An operand of REPLACING: pseudo-text, a literal or a word.
bool ReadOperand(const std::vector<LogicalLine>& lines, Spot* spot, CopyToken* token,
                 const char* statement) {
  if (!NextToken(lines, spot, token)) return false;
  if (token->kind == TK_WORD || token->kind == TK_LITERAL || token->kind == TK_PSEUDO_TEXT)
    return true;
  return ReportAtToken(lines, *token, "%s operand expected\n", statement);
}

struct CopyStatement {
  std::string name;  // member name, quotes taken away
  std::vector<Replacing> replacing;
  Spot end;          // just after the closing period
};

bool IsWord(const CopyToken& token, std::string_view word) {
  return token.kind == TK_WORD && SameWordAnyCase(token.text, word);
}

// Pairs "[LEADING|TRAILING] a BY b", from *token up to the period or the
// end of the text, where *token is left; statement names them in messages.
bool ReadReplacingPairs(const std::vector<LogicalLine>& lines, Spot* spot, CopyToken* token,
                        const char* statement, std::vector<Replacing>* pairs) {
  while (token->kind != TK_PERIOD && token->kind != TK_END) {
    ReplaceMode mode = IsWord(*token, "LEADING")    ? RM_LEADING
                       : IsWord(*token, "TRAILING") ? RM_TRAILING
                                                    : RM_WORDS;
    if (mode != RM_WORDS && !NextToken(lines, spot, token)) return false;
    bool pseudo = token->kind == TK_PSEUDO_TEXT;
    Replacing pair{TextWords(token->text), {}, mode};
    if (pair.from.empty()) {
      return ReportAtToken(lines, *token, "Empty pseudo-text to replace in %s\n", statement);
    }
    if (mode != RM_WORDS && (!pseudo || pair.from.size() != 1)) {
      return ReportAtToken(lines, *token, "%s LEADING or TRAILING takes one word of pseudo-text\n",
                           statement);
    }
    if (!NextToken(lines, spot, token)) return false;
    if (!IsWord(*token, "BY")) {
      return ReportAtToken(lines, *token, "BY expected in %s\n", statement);
    }
    CopyToken to;
    if (!ReadOperand(lines, spot, &to, statement)) return false;
    pair.to = Trimmed(to.text);
    if (mode == RM_WORDS && pseudo && IsTag(pair.from)) pair.mode = RM_TAG;
    pairs->push_back(std::move(pair));
    if (!NextToken(lines, spot, token)) return false;
  }
  return true;
}

// COPY name [OF|IN library] [SUPPRESS] [REPLACING a BY b ...] "."
bool ReadCopyStatement(const std::vector<LogicalLine>& lines, Spot spot, CopyStatement* copy) {
  CopyToken token;
  if (!NextToken(lines, &spot, &token)) return false;
  if (token.kind != TK_WORD && token.kind != TK_LITERAL) {
    return ReportAtToken(lines, token, "COPY member name expected\n");
  }
  copy->name = token.kind == TK_LITERAL && token.text.size() >= 2
                   ? token.text.substr(1, token.text.size() - 2)
                   : token.text;
  if (!NextToken(lines, &spot, &token)) return false;
  if (IsWord(token, "OF") || IsWord(token, "IN")) {
    // The library names a member's folder on the mainframe; here the search
    // path does.
    if (!NextToken(lines, &spot, &token) || !NextToken(lines, &spot, &token)) return false;
  }
  if (IsWord(token, "SUPPRESS") && !NextToken(lines, &spot, &token)) return false;
  if (IsWord(token, "REPLACING") &&
      (!NextToken(lines, &spot, &token) ||
       !ReadReplacingPairs(lines, &spot, &token, "COPY REPLACING", &copy->replacing)))
    return false;
  if (token.kind != TK_PERIOD) {
    return ReportAtToken(lines, token, "COPY statement not ended by a period\n");
  }
  copy->end = token.end;
  return true;
}

struct Edit {
  size_t line, start, end;
  std::string text;
};

// Words of the member's lines in order, with where each stands.
struct PlacedWord {
  size_t line, start, end;
};

bool IsBefore(Spot a, Spot b) { return a.line < b.line || (a.line == b.line && a.at < b.at); }

// The part of word that a LEADING or TRAILING pair matches, or npos.
size_t PartialMatch(std::string_view word, const Replacing& pair) {
  const std::string& part = pair.from[0];
  if (IsQuote(word[0]) || part.size() > word.size()) return std::string_view::npos;
  size_t at = pair.mode == RM_LEADING ? 0 : word.size() - part.size();
  return SameWordAnyCase(word.substr(at, part.size()), part) ? at : std::string_view::npos;
}

// Applies the pairs to the text words that begin from from on, before to;
// false, nothing replaced, when the text would pass the limit.
bool ApplyReplacing(std::vector<LogicalLine>* lines, const std::vector<Replacing>& pairs,
                    Spot from = {0, 0}, Spot to = {SIZE_MAX, 0}) {
  ExpandedSize size;
  for (const LogicalLine& line : *lines) size.Add(line);
  std::vector<PlacedWord> words;
  for (size_t l = from.line; l < lines->size() && l <= to.line; l++) {
    std::string_view text = (*lines)[l].text;
    for (size_t at = 0, end; NextTextWord(text, &at, &end); at = end)
      if (!IsBefore({l, at}, from) && IsBefore({l, at}, to)) words.push_back({l, at, end});
  }
  auto wordText = [&](size_t i) {
    const PlacedWord& w = words[i];
    return std::string_view((*lines)[w.line].text).substr(w.start, w.end - w.start);
  };
  std::vector<Edit> edits;
  // What the edits add, counted as they come (unsigned arithmetic sums
  // right for edits that shorten): the work stops once past the limit.
  size_t counted = 0;
  auto passed = [&] {
    for (; counted < edits.size(); counted++)
      size.bytes += edits[counted].text.size() - (edits[counted].end - edits[counted].start);
    return size.Passed();
  };
  for (size_t i = 0; i < words.size();) {
    if (passed()) return false;
    size_t matched = 0;
    for (const Replacing& pair : pairs) {
      if (pair.mode == RM_LEADING || pair.mode == RM_TRAILING) {
        std::string_view word = wordText(i);
        size_t at = PartialMatch(word, pair);
        if (at == std::string_view::npos) continue;
        std::string replaced(word);
        replaced.replace(at, pair.from[0].size(), pair.to);
        edits.push_back({words[i].line, words[i].start, words[i].end, replaced});
        matched = 1;
        break;
      }
      if (pair.mode == RM_TAG || i + pair.from.size() > words.size()) continue;
      size_t k = 0;
      while (k < pair.from.size() && SameWordAnyCase(wordText(i + k), pair.from[k])) k++;
      if (k < pair.from.size()) continue;
      edits.push_back({words[i].line, words[i].start, words[i].end, pair.to});
      for (k = 1; k < pair.from.size(); k++)
        edits.push_back({words[i + k].line, words[i + k].start, words[i + k].end, ""});
      matched = pair.from.size();
      break;
    }
    if (matched) {
      i += matched;
      continue;
    }
    std::string word(wordText(i));
    bool changed = false;
    for (const Replacing& pair : pairs) {
      if (pair.mode != RM_TAG || IsQuote(word[0])) continue;
      const std::string& tag = pair.from[0];
      for (size_t at = 0; at + tag.size() <= word.size();) {
        if (SameWordAnyCase(std::string_view(word).substr(at, tag.size()), tag)) {
          word.replace(at, tag.size(), pair.to);
          at += pair.to.size();
          changed = true;
        } else {
          at++;
        }
      }
    }
    if (changed) edits.push_back({words[i].line, words[i].start, words[i].end, word});
    i++;
  }
  if (passed()) return false;
  // Each changed line is built once from its pieces, the edits in order:
  // edit by edit in place would copy a long line's tail every time.
  for (size_t e = 0; e < edits.size();) {
    size_t line = edits[e].line, from = 0;
    std::string& text = (*lines)[line].text;
    std::string built;
    for (; e < edits.size() && edits[e].line == line; e++) {
      built.append(text, from, edits[e].start - from).append(edits[e].text);
      from = edits[e].end;
    }
    text = built.append(text, from, std::string::npos);
  }
  return true;
}

int ReportTooLong(const std::vector<LogicalLine>& lines, const CopyToken& at) {
  return ReportAtToken(lines, at, "COPY members make the copybook longer than %zu lines or %zu MiB\n",
                       MOST_EXPANDED_LINES, MOST_EXPANDED_BYTES >> 20);
}

bool IsRegularFile(const std::string& path, struct stat* status) {
  return stat(path.c_str(), status) == 0 && S_ISREG(status->st_mode);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder == "." || name.empty() || name[0] == '/') return name;
  return folder.back() == '/' ? folder + name : folder + "/" + name;
}

// The member's path, trying each folder with each file type; empty when
// none is there.
std::string FindMember(const std::string& name, const std::vector<std::string>& folders,
                       struct stat* status) {
  for (const std::string& folder : folders)
    for (std::string_view type : MEMBER_TYPES) {
      std::string path = JoinPath(folder, name + std::string(type));
      if (IsRegularFile(path, status)) return path;
    }
  return {};
}

std::string FolderOf(const std::string& path) {
  std::string_view directory = SplitPath(path).directory;
  return directory.empty() ? "." : std::string(directory);
}

// The logical lines of one member with its own COPY statements expanded.
bool ReadMember(const std::vector<LogicalLine>& lines, const CopyToken& at,
                const CopyStatement& copy, const std::string& folder, int depth,
                std::vector<LogicalLine>* member) {
  std::vector<std::string> folders = {folder};
  folders.insert(folders.end(), CopyPaths.begin(), CopyPaths.end());
  struct stat status;
  std::string path = FindMember(copy.name, folders, &status);
  if (path.empty()) {
    std::string searched;
    for (size_t i = 0; i < folders.size(); i++) searched += (i ? ", " : " ") + folders[i];
    return ReportAtToken(lines, at, "COPY member '%s' not found in:%s\n", copy.name.c_str(),
                         searched.c_str());
  }
  for (const OpenMember& open : OpenMembers) {
    if (open.device == status.st_dev && open.inode == status.st_ino) {
      return ReportAtToken(lines, at, "COPY '%s' includes itself\n", copy.name.c_str());
    }
  }
  if (depth >= MAX_COPY_DEPTH) {
    return ReportAtToken(lines, at, "COPY members nested more than %d deep\n", MAX_COPY_DEPTH);
  }
  auto read = MembersRead.find({status.st_dev, status.st_ino});
  if (read == MembersRead.end()) {
    SourceFile* file = LoadSourceFile(path);
    if (!file) return false;
    // Its text is held: a copybook may COPY more members than a process may
    // have files open.
    std::fclose(file->stream);
    file->stream = nullptr;
    if (!ReadReferenceFormat(file, member)) return false;
    read = MembersRead.insert({{status.st_dev, status.st_ino}, {file->directory, *member}}).first;
  } else {
    *member = read->second.lines;
  }
  OpenMembers.push_back({status.st_dev, status.st_ino});
  bool expanded = ExpandCopyStatements(member, read->second.folder, depth + 1);
  OpenMembers.pop_back();
  // The pairs apply to the text of nested members too.
  if (expanded && !copy.replacing.empty() && !ApplyReplacing(member, copy.replacing))
    return ReportTooLong(lines, at);
  return expanded;
}

// Where the next such word outside literals begins, from spot on.
bool FindWord(const std::vector<LogicalLine>& lines, Spot* spot, std::string_view word) {
  for (; spot->line < lines.size(); spot->line++, spot->at = 0) {
    std::string_view text = lines[spot->line].text;
    size_t at = spot->at;
    while (at < text.size()) {
      if (IsSeparator(text[at])) {
        at++;
        continue;
      }
      size_t end = IsQuote(text[at]) ? LiteralEnd(text, at) : WordEnd(text, at);
      if (end == at) end++;  // a period
      if (SameWordAnyCase(text.substr(at, end - at), word)) {
        spot->at = at;
        return true;
      }
      at = end;
    }
  }
  return false;
}

bool FindCopyWord(const std::vector<LogicalLine>& lines, Spot* spot) {
  return FindWord(lines, spot, "COPY");
}

}  // namespace

int ExpandCopyStatements(std::vector<LogicalLine>* lines, const std::string& folder, int depth) {
  Spot spot{0, 0};
  if (!FindCopyWord(*lines, &spot)) return 1;  // most files hold none
  std::vector<LogicalLine> result(lines->begin(), lines->begin() + spot.line);
  ExpandedSize size;
  for (const LogicalLine& line : result) size.Add(line);
  do {
    CopyToken word;
    Spot after = spot;
    NextToken(*lines, &after, &word);  // the word COPY itself
    CopyStatement copy;
    std::vector<LogicalLine> member;
    if (!ReadCopyStatement(*lines, after, &copy) ||
        !ReadMember(*lines, word, copy, folder, depth, &member))
      return 0;
    // The text before COPY and after its period stays on its own lines.
    const LogicalLine& first = (*lines)[spot.line];
    size_t from = result.size();
    if (spot.at > 0) result.push_back({first.text.substr(0, spot.at), first.origin});
    for (LogicalLine& line : member) result.push_back(std::move(line));
    LogicalLine& last = (*lines)[copy.end.line];
    last.text.erase(0, copy.end.at);
    spot = {copy.end.line, 0};
    Spot next = spot;
    bool more = FindCopyWord(*lines, &next);
    size_t upTo = more ? next.line : lines->size();
    for (size_t l = spot.line; l < upTo; l++) result.push_back(std::move((*lines)[l]));
    for (size_t l = from; l < result.size(); l++) size.Add(result[l]);
    if (size.Passed()) return ReportTooLong(*lines, word);
    if (!more) break;
    spot = next;
  } while (true);
  lines->swap(result);
  return 1;
}

int ExpandMainCopyStatements(SourceFile* file, std::vector<LogicalLine>* lines) {
  struct stat status;
  OpenMembers.clear();
  if (stat(file->path, &status) == 0) OpenMembers.push_back({status.st_dev, status.st_ino});
  std::string folder = FolderOf(InputFileName);
  MembersRead.clear();
  int expanded = ExpandCopyStatements(lines, folder, 0);
  MembersRead.clear();
  return expanded;
}

// ---- REPLACE statements -------------------------------------------------------

namespace {

// REPLACE pairs ".", or REPLACE OFF ".": from its period on, the pairs
// replace text words, up to the next REPLACE statement.
struct ReplaceStatement {
  Spot start;                    // the word REPLACE
  Spot end;                      // just after the period
  std::vector<Replacing> pairs;  // none: OFF
};

bool ReadReplaceStatement(const std::vector<LogicalLine>& lines, ReplaceStatement* replace) {
  Spot spot = replace->start;
  CopyToken token;
  NextToken(lines, &spot, &token);  // the word REPLACE itself
  if (!NextToken(lines, &spot, &token)) return false;
  if (IsWord(token, "OFF")) {
    if (!NextToken(lines, &spot, &token)) return false;
  } else if (token.kind == TK_PERIOD) {
    return ReportAtToken(lines, token, "REPLACE operand expected\n");
  } else if (!ReadReplacingPairs(lines, &spot, &token, "REPLACE", &replace->pairs)) {
    return false;
  }
  if (token.kind != TK_PERIOD) {
    return ReportAtToken(lines, token, "REPLACE statement not ended by a period\n");
  }
  replace->end = token.end;
  return true;
}

// Spaces in place of the text from start to end keep every column after it.
void BlankText(std::vector<LogicalLine>* lines, Spot start, Spot end) {
  for (size_t l = start.line; l <= end.line; l++) {
    std::string& text = (*lines)[l].text;
    size_t from = l == start.line ? start.at : 0;
    size_t to = l == end.line ? end.at : text.size();
    text.replace(from, to - from, to - from, ' ');
  }
}

}  // namespace

int ApplyReplaceStatements(std::vector<LogicalLine>* lines) {
  std::vector<ReplaceStatement> statements;
  for (Spot spot{0, 0}; FindWord(*lines, &spot, "REPLACE"); spot = statements.back().end) {
    statements.push_back({spot, {}, {}});
    if (!ReadReplaceStatement(*lines, &statements.back())) return 0;
  }
  for (const ReplaceStatement& replace : statements) BlankText(lines, replace.start, replace.end);
  // From the last statement back, so that the places of the earlier ones stay good.
  for (size_t i = statements.size(); i-- > 0;) {
    Spot to = i + 1 < statements.size() ? statements[i + 1].start : Spot{lines->size(), 0};
    const ReplaceStatement& replace = statements[i];
    if (!replace.pairs.empty() && !ApplyReplacing(lines, replace.pairs, replace.end, to))
      return ReportAtLine(&(*lines)[replace.start.line].origin,
                          int64_t{MinCodeOffset} + 1 + replace.start.at,
                          "REPLACE makes the copybook longer than %zu lines or %zu MiB\n",
                          MOST_EXPANDED_LINES, MOST_EXPANDED_BYTES >> 20);
  }
  return 1;
}
