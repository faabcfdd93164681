// The run settings: filled from the command line, read-only afterwards.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cs/name_tree.h"
#include "driver/dialect.h"

// -O letters.
enum OptionFlag : uint32_t {
  OPT_FILLER_NOT_HIGH = 0x01,     // f
  OPT_NO_OVERWRITE_PROMPT = 0x02, // o
  OPT_PACKED_AS_HEX = 0x04,       // p
  OPT_LIMVAL_ALL = 0x08,          // l
  OPT_QUIET_REDEFINES = 0x10,     // r
  OPT_SIGNED_AS_HEX = 0x20,       // s
};

// -w letters.
enum WarningFlag : uint32_t {
  WARN_UNALIGNED = 0x01,          // a
  WARN_REDEFINE_LENGTH = 0x02,    // r
  WARN_ALL = 0xFFFFFFFF,          // *
};


constexpr int32_t MAX_PREFIX_LENGTH = 10;
constexpr int32_t MAX_REDEFINE_PATTERN = 30;

// One -r or -R entry of RedefineNames.
struct RedefineChoice {
  NameTreeNode node;    // tree header; the payload follows
  char letter;          // 'r' use this redefinition, 'R' do not
  int32_t length;       // characters in pattern, 0 to 30
  char pattern[32];     // hyphens already underscores, terminated
};

extern std::string InputFileName;
extern std::string OutputFileName;
extern std::string StructureName;
extern uint32_t OptionFlags;
extern uint32_t WarningFlags;
extern int32_t MinCodeOffset;        // first offset of the code area
extern int32_t MaxCodeOffset;        // last offset of the code area
extern int32_t MinBinarySize;        // -1 when -b was not given
extern std::string StripPrefix;      // hyphens already underscores
extern int32_t StripPrefixLength;
extern NameTreeNode* RedefineNames;  // RedefineChoice records, command-line order
// Long options (extensions; the usage text does not list them).
extern std::string MapFileName;      // --map: the layout map; empty: none
extern bool CobolMode;               // --cobol: read as a COBOL compiler does
extern std::vector<std::string> CopyPaths;  // --copy-path folders, in order
// The rules of the dialect read, chosen from the options once they are read.
extern const Dialect* CurrentDialect;

// --decode: the data file read with the layout; its options.
enum RecordFormat : int32_t {
  RECORDS_FIXED = 0,      // F
  RECORDS_VARIABLE = 1,   // V: each record after its RDW
  RECORDS_BLOCKED = 2,    // VB: blocks after their BDW, holding V records
  RECORDS_LINES = 3,      // LINES: records ended by LF or CRLF
};
enum FloatFormat : int32_t { FLOATS_BY_ENCODING = 0, FLOATS_IBM = 1, FLOATS_IEEE = 2 };
extern std::string DecodeFileName;   // --decode DATA ("-": standard input); empty: none
extern std::string DecodeOutputName; // --to FILE ("-" or empty: standard output)
extern std::string EncodingName;     // --encoding
extern int32_t DataRecordFormat;     // --record-format, a RecordFormat
extern int32_t DataFloatFormat;      // --floats, a FloatFormat
extern bool VariableOccurs;          // --variable-occurs
extern bool RdwLittleEndian;         // --rdw little
extern bool RdwExcludesHeader;       // --rdw-excludes-header
extern bool KeepSpaces;              // --keep-spaces
extern int64_t SkipRecords;          // --skip
extern int64_t CountRecords;         // --count; -1: all
extern int64_t RangeStart;           // --range START:LENGTH; RangeLength -1: none
extern int64_t RangeLength;
extern const char* DecodeOptionGiven; // a decode option's word, seen without --decode

// Starting values of every setting and counter.
void ResetSettings();
// Sets CurrentDialect from the options.
void ChooseDialect();
