// The run settings and their starting values.
#include "driver/settings.h"

std::string InputFileName;
std::string OutputFileName;
std::string StructureName;
uint32_t OptionFlags;
uint32_t WarningFlags;
int32_t MinCodeOffset;
int32_t MaxCodeOffset;
int32_t MinBinarySize;
std::string StripPrefix;
int32_t StripPrefixLength;
NameTreeNode* RedefineNames;
std::string MapFileName;
bool CobolMode;
std::vector<std::string> CopyPaths;
const Dialect* CurrentDialect = &DEFAULT_DIALECT;
std::string DecodeFileName;
std::string DecodeOutputName;
std::string EncodingName;
int32_t DataRecordFormat;
int32_t DataFloatFormat;
bool VariableOccurs;
bool RdwLittleEndian;
bool RdwExcludesHeader;
bool KeepSpaces;
int64_t SkipRecords;
int64_t CountRecords;
int64_t RangeStart;
int64_t RangeLength;
const char* DecodeOptionGiven;

void ResetSettings() {
  InputFileName.clear();
  OutputFileName.clear();
  StructureName.clear();
  OptionFlags = 0;
  WarningFlags = 0;
  MinCodeOffset = 6;   // column 7
  MaxCodeOffset = 71;  // column 72
  MinBinarySize = -1;
  StripPrefix.clear();
  StripPrefixLength = 0;
  RedefineNames = nullptr;
  MapFileName.clear();
  CobolMode = false;
  CopyPaths.clear();
  CurrentDialect = &DEFAULT_DIALECT;
  DecodeFileName.clear();
  DecodeOutputName.clear();
  EncodingName = "cp037";
  DataRecordFormat = RECORDS_FIXED;
  DataFloatFormat = FLOATS_BY_ENCODING;
  VariableOccurs = RdwLittleEndian = RdwExcludesHeader = KeepSpaces = false;
  SkipRecords = 0;
  CountRecords = -1;
  RangeStart = 0;
  RangeLength = -1;
  DecodeOptionGiven = nullptr;
}

void ChooseDialect() { CurrentDialect = CobolMode ? &IBM_DIALECT : &DEFAULT_DIALECT; }
