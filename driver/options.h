// The command-line scanner and the handling of each option.
#pragma once

#include <cstdint>

extern int OptionIndex;            // next argument word to look at
extern const char* OptionCursor;   // next letter inside the current word
extern const char* OptionArgument; // value of the option just returned
extern const char* OptionWord;     // word that holds the option just read
extern int32_t OptionLetter;       // letter just read

constexpr int OPTION_UNKNOWN = '?';
constexpr int OPTION_END = -1;
// Long options are words that begin with "--"; their codes lie above any letter.
constexpr int OPTION_MAP = 256;        // --map FILE, --map=FILE
constexpr int OPTION_COBOL = 257;      // --cobol
constexpr int OPTION_COPY_PATH = 258;  // --copy-path DIR, --copy-path=DIR
// --decode DATA and the options that shape it.
constexpr int OPTION_DECODE = 259;
constexpr int OPTION_TO = 260;
constexpr int OPTION_ENCODING = 261;
constexpr int OPTION_RECORD_FORMAT = 262;
constexpr int OPTION_VARIABLE_OCCURS = 263;
constexpr int OPTION_RDW = 264;
constexpr int OPTION_RDW_EXCLUDES_HEADER = 265;
constexpr int OPTION_FLOATS = 266;
constexpr int OPTION_SKIP = 267;
constexpr int OPTION_COUNT = 268;
constexpr int OPTION_RANGE = 269;
constexpr int OPTION_KEEP_SPACES = 270;

// Returns the next option letter, OPTION_UNKNOWN, or OPTION_END.
int GetOption(int argc, char** argv);

// Validates and stores the value of one option; 0 after printing why not.
int ApplyOption(int letter);

void PrintUsage();

// Back to the start of a scan, for a second run in one process (tests).
void ResetOptionScanner();
