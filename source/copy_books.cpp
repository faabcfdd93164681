// COPY statements: each is replaced by the logical lines of its member,
// found beside the including file or in a --copy-path folder, with the
// REPLACING pairs applied to the member's text.
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <utility>

#include "driver/settings.h"
#include "source/cobol_source.h"
#include "source/letter_case.h"

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

// One REPLACING pair: the text words to find, and what replaces them. A
// lone word between colons (":TAG:") is replaced inside other words too.
struct Replacing {
  std::vector<std::string> from;
  std::string to;
  bool partial;
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

bool IsQuote(char c) { return c == '\'' || c == '"'; }
bool IsSeparator(char c) { return c == ' ' || c == ',' || c == ';'; }

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

// Logical lines begin at the code area of their physical line.
void ReportToken(const std::vector<LogicalLine>& lines, const CopyToken& token) {
  ReportLinePosition(&lines[token.start.line].origin,
                     static_cast<size_t>(MinCodeOffset) + 1 + token.start.at);
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
        ReportToken(lines, *token);
        std::printf("Pseudo-text not ended by '=='\n");
        return false;
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
bool ReadOperand(const std::vector<LogicalLine>& lines, Spot* spot, CopyToken* token) {
  if (!NextToken(lines, spot, token)) return false;
  if (token->kind == TK_WORD || token->kind == TK_LITERAL || token->kind == TK_PSEUDO_TEXT)
    return true;
  ReportToken(lines, *token);
  std::printf("COPY REPLACING operand expected\n");
  return false;
}

struct CopyStatement {
  std::string name;  // member name, quotes taken away
  std::vector<Replacing> replacing;
  Spot end;          // just after the closing period
};

bool IsWord(const CopyToken& token, std::string_view word) {
  return token.kind == TK_WORD && SameWordAnyCase(token.text, word);
}

// COPY name [OF|IN library] [SUPPRESS] [REPLACING a BY b ...] "."
bool ReadCopyStatement(const std::vector<LogicalLine>& lines, Spot spot, CopyStatement* copy) {
  CopyToken token;
  if (!NextToken(lines, &spot, &token)) return false;
  if (token.kind != TK_WORD && token.kind != TK_LITERAL) {
    ReportToken(lines, token);
    std::printf("COPY member name expected\n");
    return false;
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
  if (IsWord(token, "REPLACING")) {
    if (!NextToken(lines, &spot, &token)) return false;
    while (token.kind != TK_PERIOD && token.kind != TK_END) {
      CopyToken to;
      bool pseudo = token.kind == TK_PSEUDO_TEXT;
      Replacing pair{TextWords(token.text), {}, false};
      if (pair.from.empty()) {
        ReportToken(lines, token);
        std::printf("Empty pseudo-text to replace in COPY REPLACING\n");
        return false;
      }
      if (!NextToken(lines, &spot, &token)) return false;
      if (!IsWord(token, "BY")) {
        ReportToken(lines, token);
        std::printf("BY expected in COPY REPLACING\n");
        return false;
      }
      if (!ReadOperand(lines, &spot, &to)) return false;
      pair.to = Trimmed(to.text);
      pair.partial = pseudo && IsTag(pair.from);
      copy->replacing.push_back(std::move(pair));
      if (!NextToken(lines, &spot, &token)) return false;
    }
  }
  if (token.kind != TK_PERIOD) {
    ReportToken(lines, token);
    std::printf("COPY statement not ended by a period\n");
    return false;
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

void ReportTooLong(const std::vector<LogicalLine>& lines, const CopyToken& at) {
  ReportToken(lines, at);
  std::printf("COPY members make the copybook longer than %zu lines or %zu MiB\n",
              MOST_EXPANDED_LINES, MOST_EXPANDED_BYTES >> 20);
}

// 0 when the replaced text would pass the limit; nothing is replaced then.
bool ApplyReplacing(std::vector<LogicalLine>* lines, const std::vector<Replacing>& pairs) {
  std::vector<PlacedWord> words;
  ExpandedSize size;
  for (size_t l = 0; l < lines->size(); l++) {
    size.Add((*lines)[l]);
    std::string_view text = (*lines)[l].text;
    for (size_t at = 0, end; NextTextWord(text, &at, &end); at = end) words.push_back({l, at, end});
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
      if (pair.partial || i + pair.from.size() > words.size()) continue;
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
      if (!pair.partial || IsQuote(word[0])) continue;
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
    ReportToken(lines, at);
    std::printf("COPY member '%s' not found in:", copy.name.c_str());
    for (size_t i = 0; i < folders.size(); i++)
      std::printf("%s %s", i ? "," : "", folders[i].c_str());
    std::printf("\n");
    return false;
  }
  for (const OpenMember& open : OpenMembers) {
    if (open.device == status.st_dev && open.inode == status.st_ino) {
      ReportToken(lines, at);
      std::printf("COPY '%s' includes itself\n", copy.name.c_str());
      return false;
    }
  }
  if (depth >= MAX_COPY_DEPTH) {
    ReportToken(lines, at);
    std::printf("COPY members nested more than %d deep\n", MAX_COPY_DEPTH);
    return false;
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
  if (expanded && !copy.replacing.empty() && !ApplyReplacing(member, copy.replacing)) {
    ReportTooLong(lines, at);
    return false;
  }
  return expanded;
}

// Where the next word COPY outside literals begins, from spot on.
bool FindCopyWord(const std::vector<LogicalLine>& lines, Spot* spot) {
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
      if (end - at == 4 && SameWordAnyCase(text.substr(at, 4), "COPY")) {
        spot->at = at;
        return true;
      }
      at = end;
    }
  }
  return false;
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
    if (size.Passed()) {
      ReportTooLong(*lines, word);
      return 0;
    }
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
