// The reference format: a fixed indicator column, the code area after it,
// comment and debugging lines, continuation lines and floating comments.
#include <algorithm>
#include <cstring>

#include "driver/settings.h"
#include "source/char_classes.h"
#include "source/cobol_source.h"
#include "source/diagnostic.h"
#include "cs/letter_case.h"

constexpr int32_t TAB_STOP = 8;
// A literal continued from a line runs to the end of that line's code
// area; a wider area than this is taken as a line of free length.
constexpr int64_t WIDEST_PADDED_AREA = 256;

// A tab advances to the next tab stop before columns are cut, as compilers do.
static std::string ExpandTabs(std::string_view text) {
  std::string expanded;
  expanded.reserve(text.size());
  for (char c : text) {
    if (c != '\t') {
      expanded += c;
      continue;
    }
    expanded.append(TAB_STOP - expanded.size() % TAB_STOP, ' ');
  }
  return expanded;
}

// Scans code for quotes, from inside a literal opened by quote (0: none);
// cuts a floating comment "*>" found outside literals; returns the quote of
// a literal still open at the end.
static char ScanCode(std::string& code, size_t from, char quote) {
  for (size_t i = from; i < code.size(); i++) {
    char c = code[i];
    if (quote) {
      if (c != quote) continue;
      if (i + 1 < code.size() && code[i + 1] == quote) {
        i++;  // a doubled quote stands for one
        continue;
      }
      quote = 0;
    } else if (IsClass(c, CC_QUOTE)) {
      quote = c;
    } else if (c == '*' && i + 1 < code.size() && code[i + 1] == '>') {
      code.resize(i);
      break;
    }
  }
  return quote;
}

static size_t FirstNonBlank(std::string_view text) {
  size_t at = text.find_first_not_of(' ');
  return at == std::string_view::npos ? text.size() : at;
}

static void TrimRight(std::string& text) {
  size_t end = text.find_last_not_of(' ');
  text.resize(end == std::string::npos ? 0 : end + 1);
}

// Joins a continuation line's code to the logical line it continues: a word
// goes on at the first non-blank character, a literal left open after the
// first quote of the line.
static int Continue(LogicalLine& last, char* quote, std::string& code, size_t lastWidth,
                    const SourceLine* line, size_t codeColumn) {
  size_t start = FirstNonBlank(code);
  if (*quote) {
    if (start == code.size() || !IsClass(code[start], CC_QUOTE)) {
      return ReportAtLine(line, codeColumn + start, "A continued literal must go on after a quote\n");
    }
    int64_t width = int64_t{MaxCodeOffset} - MinCodeOffset;
    if (width <= WIDEST_PADDED_AREA && lastWidth < static_cast<size_t>(width))
      last.text.append(width - lastWidth, ' ');
    start++;
  } else {
    TrimRight(last.text);
  }
  size_t from = last.text.size();
  last.text.append(code, start, std::string::npos);
  *quote = ScanCode(last.text, from, *quote);
  return 1;
}

static size_t WordEndAt(std::string_view text, size_t at) {
  while (at < text.size() && text[at] != ' ' && text[at] != '.') at++;
  return at;
}

// EJECT, SKIP1, SKIP2 and SKIP3, each with an optional period, and TITLE
// with its literal shape a compiler's listing and hold no code: a line
// that begins with one has it blanked, so that its columns stay.
static void BlankListingDirective(std::string& code) {
  size_t start = FirstNonBlank(code);
  size_t end = WordEndAt(code, start);
  std::string_view word(code.data() + start, end - start);
  if (SameWordAnyCase(word, "TITLE")) {
    size_t literal = FirstNonBlank(std::string_view(code).substr(end)) + end;
    if (literal == code.size() || !IsClass(code[literal], CC_QUOTE)) return;
    end = literal + 1;
    while (end < code.size() && code[end] != code[literal]) end++;
    while (end + 1 < code.size() && code[end + 1] == code[literal]) {  // a doubled quote
      end += 2;
      while (end < code.size() && code[end] != code[literal]) end++;
    }
    end = std::min(end + 1, code.size());
  } else if (!SameWordAnyCase(word, "EJECT") && !SameWordAnyCase(word, "SKIP1") &&
             !SameWordAnyCase(word, "SKIP2") && !SameWordAnyCase(word, "SKIP3")) {
    return;
  }
  size_t next = FirstNonBlank(std::string_view(code).substr(end)) + end;
  if (next < code.size() && code[next] == '.') end = next + 1;
  code.replace(start, end - start, end - start, ' ');
}

int ReadReferenceFormat(SourceFile* file, std::vector<LogicalLine>* lines) {
  char quote = 0;         // literal left open by the last code line
  size_t lastWidth = 0;   // columns of code on the last code line
  size_t firstOfFile = lines->size();
  SourceLine physical;
  for (bool more = FirstSourceLine(file, &physical); more; more = NextSourceLine(&physical)) {
    const SourceLine* line = &physical;
    size_t length = strnlen(line->text, line->length);  // a NUL ends the text
    std::string_view raw(line->text, length);
    std::string expanded;
    if (raw.find('\t') != std::string_view::npos) {
      expanded = ExpandTabs(raw);
      raw = expanded;
    }
    if (raw.size() <= static_cast<size_t>(MinCodeOffset)) continue;  // blank
    char indicator = raw[MinCodeOffset];
    size_t codeColumn = static_cast<size_t>(MinCodeOffset) + 1;
    int64_t codeEnd = int64_t{MaxCodeOffset} + 1;
    std::string code(raw.substr(codeColumn, codeEnd > int64_t(codeColumn) ? codeEnd - codeColumn : 0));
    switch (indicator) {
      case ' ':
        if (FirstNonBlank(code) == code.size()) break;  // a blank code area
        lines->push_back({std::move(code), physical});
        quote = ScanCode(lines->back().text, 0, 0);
        lastWidth = lines->back().text.size();
        break;
      case '*': case '/': case 'D': case 'd':
        break;  // comment and debugging lines
      case '-':
        if (lines->size() == firstOfFile) {
          return ReportAtLine(line, MinCodeOffset, "Continuation line with nothing to continue\n");
        }
        if (!Continue(lines->back(), &quote, code, lastWidth, line, codeColumn)) return 0;
        lastWidth = code.size();
        break;
      default:
        return ReportAtLine(line, MinCodeOffset, "Unknown indicator '%c'\n", indicator);
    }
  }
  for (size_t l = firstOfFile; l < lines->size(); l++) BlankListingDirective((*lines)[l].text);
  return 1;
}
