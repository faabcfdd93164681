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

// Returns the next option letter, OPTION_UNKNOWN, or OPTION_END.
int GetOption(int argc, char** argv);

// Validates and stores the value of one option; 0 after printing why not.
int ApplyOption(int letter);

void PrintUsage();

// Back to the start of a scan, for a second run in one process (tests).
void ResetOptionScanner();
