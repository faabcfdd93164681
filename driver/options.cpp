// The command-line scanner and the handling of each option.
#include "driver/options.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string_view>

#include "decoder/code_pages.h"
#include "driver/settings.h"
#include "parser/names.h"

int OptionIndex = 1;
const char* OptionCursor = "";
const char* OptionArgument = nullptr;
const char* OptionWord = nullptr;
int32_t OptionLetter = 0;

// Every option letter takes a value.
static constexpr char OPTION_STRING[] = "b:c:i:o:O:p:r:R:s:w:";

void ResetOptionScanner() {
  OptionIndex = 1;
  OptionCursor = "";
  OptionArgument = nullptr;
  OptionWord = nullptr;
  OptionLetter = 0;
}

struct LongOption {
  std::string_view name;
  bool takesValue;
  int code;
};
static constexpr LongOption LONG_OPTIONS[] = {
    {"map", true, OPTION_MAP},
    {"cobol", false, OPTION_COBOL},
    {"copy-path", true, OPTION_COPY_PATH},
    {"decode", true, OPTION_DECODE},
    {"to", true, OPTION_TO},
    {"encoding", true, OPTION_ENCODING},
    {"record-format", true, OPTION_RECORD_FORMAT},
    {"variable-occurs", false, OPTION_VARIABLE_OCCURS},
    {"rdw", true, OPTION_RDW},
    {"rdw-excludes-header", false, OPTION_RDW_EXCLUDES_HEADER},
    {"floats", true, OPTION_FLOATS},
    {"skip", true, OPTION_SKIP},
    {"count", true, OPTION_COUNT},
    {"range", true, OPTION_RANGE},
    {"keep-spaces", false, OPTION_KEEP_SPACES},
};

// A word "--name", "--name=value" or "--name" followed by its value. An
// unknown name, or a value missing or given where none is taken, comes back
// as OPTION_UNKNOWN with the word in OptionWord, as an unknown letter does.
static int GetLongOption(int argc, char** argv) {
  const char* word = argv[OptionIndex++];
  OptionWord = word;
  std::string_view text = word + 2;
  size_t equals = text.find('=');
  std::string_view name = text.substr(0, equals);
  for (const LongOption& option : LONG_OPTIONS) {
    if (option.name != name) continue;
    if (!option.takesValue) return equals == std::string_view::npos ? option.code : OPTION_UNKNOWN;
    if (equals != std::string_view::npos)
      OptionArgument = word + 2 + equals + 1;
    else if (OptionIndex < argc)
      OptionArgument = argv[OptionIndex++];
    else
      return OPTION_UNKNOWN;
    return *OptionArgument ? option.code : OPTION_UNKNOWN;
  }
  return OPTION_UNKNOWN;
}

int GetOption(int argc, char** argv) {
  if (*OptionCursor == '\0') {
    if (OptionIndex >= argc) return OPTION_END;
    const char* word = argv[OptionIndex];
    if ((word[0] != '-' && word[0] != '/') || word[1] == '\0') return OPTION_END;
    if (word[0] == '-' && word[1] == '-' && word[2] != '\0') return GetLongOption(argc, argv);
    OptionWord = word;
    OptionCursor = word + 1;
  }
  OptionLetter = static_cast<signed char>(*OptionCursor++);
  const char* known = std::strchr(OPTION_STRING, OptionLetter);
  if (OptionLetter == ':' || !known) {
    if (*OptionCursor == '\0') OptionIndex++;
    return OPTION_UNKNOWN;
  }
  if (*OptionCursor != '\0') {
    OptionArgument = OptionCursor;
  } else if (++OptionIndex < argc) {
    OptionArgument = argv[OptionIndex];
  } else {
    OptionCursor = "";
    return OPTION_UNKNOWN;
  }
  if (*OptionArgument == ':') OptionArgument++;
  OptionIndex++;
  OptionCursor = "";
  return OptionLetter;
}

void PrintUsage() {
  std::fputs(
      "Usage: recforge -i <input file>\n"
      "      [-b <minimum binary size>]\n"
      "      [-c <minimum code offset[,maximum code offset]>]\n"
      "      [-o <Output file>]\n"
      "      [-O <Options>]\n"
      "          f   FILLER fields marked as High detail\n"
      "          l   Use limval on all enums\n"
      "          o   Don't prompt for file over-write\n"
      "          p   COBOL COMP-3 fields are translated to hex\n"
      "          r   Suppress reporting of REDEFINE fields in use\n"
      "          s   COBOL SIGNED DISPLAY fields are translated to hex\n"
      "      [-p <Prefix to strip>]\n"
      "      {-r <Use this redefinition>} | -r *\n"
      "      {-R <Don't use this redefinition>}\n"
      "      [-s <Structure Name>]\n"
      "      [-w <Warnings>]\n"
      "          a   unaligned numeric fields\n"
      "          r   REDEFINES of differing lengths\n"
      "          *   Turn on all warnings\n",
      stdout);
}

// The leading decimal integer of a value, after white space, with an
// optional sign; 0 when there is none. Clamped to 32 bits, never overflowing.
static int64_t ReadNumber(const char* text) {
  while (std::isspace(static_cast<unsigned char>(*text))) text++;
  bool negative = *text == '-';
  if (*text == '-' || *text == '+') text++;
  int64_t value = 0;
  for (; *text >= '0' && *text <= '9'; text++) {
    value = value * 10 + (*text - '0');
    if (value > INT32_MAX) value = int64_t{INT32_MAX} + 1;
  }
  value = negative ? -value : value;
  return value > INT32_MAX ? INT32_MAX : value;
}

static int32_t Clamp32(int64_t value) {
  return value < INT32_MIN ? INT32_MIN
                           : value > INT32_MAX ? INT32_MAX
                                               : static_cast<int32_t>(value);
}

static int ApplyCodeArea(const char* value) {
  const char* comma = std::strchr(value, ',');
  if (comma) {
    int64_t maximum = ReadNumber(comma + 1) - 1;
    if (maximum < 10) {
      std::printf("The maximum code offset must be at least 10\n\n");
      return 0;
    }
    MaxCodeOffset = Clamp32(maximum);
  }
  if (comma != value && *value != '\0') {
    int64_t minimum = ReadNumber(value) - 1;
    if (minimum < 0) {
      std::printf("The minimum code offset must be greater than 0\n\n");
      return 0;
    }
    MinCodeOffset = Clamp32(minimum);
  }
  if (MinCodeOffset >= MaxCodeOffset) {
    std::printf("The minimum code must be less than the maximum code offset\n\n");
    return 0;
  }
  return 1;
}

// Each letter adds its bit; the first letter not in the table is refused.
static int ApplyLetters(const char* value, std::string_view letters,
                        const uint32_t* bits, uint32_t& flags,
                        const char* what) {
  for (; *value; value++) {
    size_t at = letters.find(*value);
    if (at == std::string_view::npos) {
      std::printf("I did not understand your %s parameter '%c'\n\n", what, *value);
      PrintUsage();
      return 0;
    }
    flags |= bits[at];
  }
  return 1;
}

// Bits in the order of the letters "foplrs" and "ar*".
static constexpr uint32_t OPTION_BITS[] = {
    OPT_FILLER_NOT_HIGH, OPT_NO_OVERWRITE_PROMPT, OPT_PACKED_AS_HEX,
    OPT_LIMVAL_ALL,      OPT_QUIET_REDEFINES,     OPT_SIGNED_AS_HEX};
static constexpr uint32_t WARNING_BITS[] = {WARN_UNALIGNED,
                                            WARN_REDEFINE_LENGTH, WARN_ALL};

static int AddRedefineChoice(char letter, const char* pattern) {
  size_t length = std::strlen(pattern);
  if (length > MAX_REDEFINE_PATTERN) {
    std::printf("REDEFINE names are limited to %d characters\n\n",
                MAX_REDEFINE_PATTERN);
    PrintUsage();
    return 0;
  }
  RedefineChoice choice{};
  choice.letter = letter;
  choice.length = static_cast<int32_t>(length);
  std::memcpy(choice.pattern, pattern, length);
  UnderscoreHyphens(choice.pattern, length);
  TreePath top{nullptr, RedefineNames, &RedefineNames, 0};
  // A choice that finds no memory is dropped; the run goes on without it.
  CSTreeInsert(&top, "REDEFINE Names to Use", TREE_DUPLICATES, &choice.node,
               sizeof choice, TREE_KEY_APPEND);
  return 1;
}

// A whole decimal number of at most 18 digits; false for anything else.
static bool ReadCount(std::string_view text, int64_t* value) {
  if (text.empty() || text.size() > 18) return false;
  *value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    *value = *value * 10 + (c - '0');
  }
  return true;
}

static int RefuseValue(const char* expected, const char* value) {
  std::printf("%s, not '%s'\n", expected, value);
  return 0;
}

// One of the words, by its index; -1 for none.
static int WordIndex(std::string_view value, std::initializer_list<std::string_view> words) {
  int index = 0;
  for (std::string_view word : words) {
    if (word == value) return index;
    index++;
  }
  return -1;
}

static int ApplyDecodeOption(int code, const char* value) {
  if (code != OPTION_DECODE && !DecodeOptionGiven) DecodeOptionGiven = OptionWord;
  switch (code) {
    case OPTION_DECODE:
      DecodeFileName = value;
      return 1;
    case OPTION_TO:
      DecodeOutputName = value;
      return 1;
    case OPTION_ENCODING:
      if (!KnownCodePage(value)) return RefuseValue("--encoding takes a code page (cp037, cp1047, cp500, ..., ascii, latin1, utf-8)", value);
      EncodingName = value;
      return 1;
    case OPTION_RECORD_FORMAT: {
      int format = WordIndex(value, {"F", "V", "VB", "LINES"});
      if (format < 0) return RefuseValue("--record-format takes F, V, VB or LINES", value);
      DataRecordFormat = format;
      return 1;
    }
    case OPTION_RDW: {
      int order = WordIndex(value, {"big", "little"});
      if (order < 0) return RefuseValue("--rdw takes big or little", value);
      RdwLittleEndian = order == 1;
      return 1;
    }
    case OPTION_FLOATS: {
      int format = WordIndex(value, {"ibm", "ieee"});
      if (format < 0) return RefuseValue("--floats takes ibm or ieee", value);
      DataFloatFormat = format == 0 ? FLOATS_IBM : FLOATS_IEEE;
      return 1;
    }
    case OPTION_SKIP:
      return ReadCount(value, &SkipRecords) || RefuseValue("--skip takes a number of records", value);
    case OPTION_COUNT:
      return ReadCount(value, &CountRecords) || RefuseValue("--count takes a number of records", value);
    case OPTION_RANGE: {
      std::string_view text = value;
      size_t colon = text.find(':');
      if (colon == std::string_view::npos || !ReadCount(text.substr(0, colon), &RangeStart) ||
          !ReadCount(text.substr(colon + 1), &RangeLength))
        return RefuseValue("--range takes START:LENGTH in bytes", value);
      return 1;
    }
    case OPTION_VARIABLE_OCCURS:
      VariableOccurs = true;
      return 1;
    case OPTION_RDW_EXCLUDES_HEADER:
      RdwExcludesHeader = true;
      return 1;
    default:
      KeepSpaces = true;
      return 1;
  }
}

int ApplyOption(int letter) {
  const char* value = OptionArgument;
  switch (letter) {
    case 'b':
      MinBinarySize = Clamp32(ReadNumber(value));
      return 1;
    case 'c':
      return ApplyCodeArea(value);
    case 'i':
      InputFileName = value;
      return 1;
    case 'o':
      OutputFileName = value;
      return 1;
    case 'O':
      return ApplyLetters(value, "foplrs", OPTION_BITS, OptionFlags, "Options");
    case 'p':
      if (std::strlen(value) > MAX_PREFIX_LENGTH) {
        std::printf("The PREFIX is limited to %d characters\n\n", MAX_PREFIX_LENGTH);
        PrintUsage();
        return 0;
      }
      StripPrefix = value;
      UnderscoreHyphens(StripPrefix.data(), StripPrefix.size());
      StripPrefixLength = static_cast<int32_t>(StripPrefix.size());
      return 1;
    case 'r':
    case 'R':
      return AddRedefineChoice(static_cast<char>(letter), value);
    case 's':
      StructureName = value;
      UnderscoreHyphens(StructureName.data(), StructureName.size());
      return 1;
    case 'w':
      return ApplyLetters(value, "ar*", WARNING_BITS, WarningFlags, "Warnings");
    case OPTION_MAP:
      MapFileName = value;
      return 1;
    case OPTION_COBOL:
      CobolMode = true;
      return 1;
    case OPTION_COPY_PATH:
      CopyPaths.emplace_back(value);
      return 1;
    default:
      if (letter >= OPTION_DECODE && letter <= OPTION_KEEP_SPACES) return ApplyDecodeOption(letter, value);
      std::fprintf(stderr, "Unrecognised parameter '%s'\n\n", OptionWord);
      PrintUsage();
      return 0;
  }
}
