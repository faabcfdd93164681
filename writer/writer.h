// The format file: enumeration blocks from the condition names, then one
// struct block per structure.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <unordered_map>

#include "layout/structure.h"
#include "writer/text_out.h"

// A name as the format file gives it: every hyphen an underscore.
inline void PutName(TextOut* out, std::string_view name) {
  if (out->capacity - out->used < name.size()) return PutText(out, FormatNameOf(name));
  CopyUnderscored(out->data + out->used, name.data(), name.size());
  out->used += name.size();
}

// Asks before replacing, writes every block, prints the summary; 0 when the
// file was not written.
int WriteFormatFile();

void WriteEnumerations(TextOut* out, StructNode* structure, int32_t* count);
void WriteStructure(TextOut* out, StructNode* structure);

// The type of a member's line without its column padding ("char",
// "packed(7.2)").
std::string TypeText(const FieldNode* member);

// Counters of the run's format file: the next FILLER_REDEFINE_n, and the
// redefinitions written in place of what they redefine.
extern int32_t FillerRedefineNumber;
extern int32_t RedefinitionsUsed;

// The number of the padding line written after a chain's alternative.
extern std::unordered_map<const FieldNode*, int32_t> PaddingNumbers;
int32_t PaddingNumberOf(const FieldNode* member);

bool IsRegularFile(const std::string& name);

// The layout map (--map): rows are gathered before the format file is
// written and written after it. Both give 0 after printing why not.
int PrepareLayoutMap();
int WriteLayoutMap();
