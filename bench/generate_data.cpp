// Writes valid fixed-length EBCDIC (cp037) records of any copybook, laid
// out by the decoder's own plan, for timing --decode; a share of the
// display and packed numbers can be made not valid on request.
//
//   generate_data [-b N] [--cobol] [--bad PERCENT] COPYBOOK RECORDS OUT
//
// Tables are written at their largest, as a fixed-length data set holds
// them; a DEPENDING ON object gets a count between the table's bounds.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "decoder/plan.h"
#include "driver/settings.h"
#include "layout/structure.h"
#include "source/cobol_source.h"
#include "source/source_file.h"

namespace {

std::mt19937_64 Random(7);
int BadPercent = 0;

// cp037 letters and digits: A-I, J-R, S-Z.
uint8_t Letter(int i) { return i < 9 ? 0xC1 + i : i < 18 ? 0xD1 + i - 9 : 0xE2 + i - 18; }

void PutZoned(uint8_t* at, int32_t digits, int64_t value, bool negative, StepSign sign, bool separate) {
  uint8_t* first = at + (separate && sign == SIGN_LEADING);
  for (int32_t i = digits - 1; i >= 0; i--, value /= 10) first[i] = static_cast<uint8_t>(0xF0 + value % 10);
  if (separate) {
    at[sign == SIGN_LEADING ? 0 : digits] = negative ? 0x60 : 0x4E;
  } else if (sign != SIGN_NONE) {
    uint8_t& carrier = first[sign == SIGN_LEADING ? 0 : digits - 1];
    carrier = static_cast<uint8_t>((negative ? 0xD0 : 0xC0) | (carrier & 0x0F));
  }
}

// A value of the step's kind; count, when not negative, is the value.
void PutValue(const Step& step, uint8_t* at, int64_t count) {
  uint32_t width = step.width;
  bool negative = step.sign != SIGN_NONE && count < 0 && Random() % 2;
  int64_t value = count >= 0 ? count : static_cast<int64_t>(Random() % 1000000007);
  switch (step.kind) {
    case SK_TEXT:
      for (uint32_t i = 0; i < width; i++) at[i] = i > width / 2 && Random() % 3 == 0 ? 0x40 : Letter(Random() % 26);
      return;
    case SK_ZONED:
      PutZoned(at, static_cast<int32_t>(width), value, negative, step.sign, false);
      if (Random() % 100 < static_cast<uint64_t>(BadPercent)) at[width / 2] = 0x7A;
      return;
    case SK_SEPARATE:
      PutZoned(at, static_cast<int32_t>(width) - 1, value, negative, step.sign, true);
      return;
    case SK_PACKED: {
      at[width - 1] = static_cast<uint8_t>((value % 10) << 4 | (negative ? 0xD : step.sign != SIGN_NONE ? 0xC : 0xF));
      value /= 10;
      for (int32_t i = static_cast<int32_t>(width) - 2; i >= 0; i--, value /= 100)
        at[i] = static_cast<uint8_t>((value / 10 % 10) << 4 | value % 10);
      if (Random() % 100 < static_cast<uint64_t>(BadPercent)) at[0] |= 0xA0;
      return;
    }
    case SK_DIGIT_PAIRS:
      for (int32_t i = static_cast<int32_t>(width) - 1; i >= 0; i--, value /= 100)
        at[i] = static_cast<uint8_t>((value / 10 % 10) << 4 | value % 10);
      if (Random() % 100 < static_cast<uint64_t>(BadPercent)) at[0] |= 0xA0;
      return;
    case SK_BINARY: {
      uint64_t bits = count >= 0 ? static_cast<uint64_t>(count) : Random() % (width >= 4 ? 1000000000 : width == 2 ? 9999 : 99);
      if (negative) bits = 0 - bits;
      for (int32_t i = static_cast<int32_t>(width) - 1; i >= 0; i--, bits >>= 8) at[i] = static_cast<uint8_t>(bits);
      return;
    }
    case SK_FLOAT:
    case SK_DOUBLE:  // 0.f times 16 to a small power
      at[0] = static_cast<uint8_t>((0x40 + Random() % 8) | (negative ? 0x80 : 0));
      at[1] = static_cast<uint8_t>(0x10 + Random() % 0xF0);
      for (uint32_t i = 2; i < width; i++) at[i] = static_cast<uint8_t>(Random());
      return;
    case SK_NATIONAL:
      for (uint32_t i = 0; i + 1 < width; i += 2) at[i] = 0, at[i + 1] = static_cast<uint8_t>('A' + Random() % 26);
      return;
    default:
      for (uint32_t i = 0; i < width; i++) at[i] = static_cast<uint8_t>(Random());
      return;
  }
}

// The count a slot's tables get in this record.
std::vector<int64_t> Counts;

void Fill(const Plan& plan, size_t from, size_t to, int64_t base, uint8_t* record) {
  for (size_t i = from; i < to; i++) {
    const Step& step = plan.steps[i];
    if (step.kind == SK_TABLE) {
      for (int32_t k = 0; k < step.count; k++)
        Fill(plan, i + 1, static_cast<size_t>(step.jump), base + step.offset + int64_t{k} * step.width, record);
      i = static_cast<size_t>(step.jump);
    } else if (IsFieldStep(step.kind)) {
      PutValue(step, record + base + step.offset, step.slot >= 0 ? Counts[step.slot] : -1);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  ResetSettings();
  int arg = 1;
  for (; arg < argc && argv[arg][0] == '-'; arg++) {
    std::string option = argv[arg];
    if (option == "-b" && arg + 1 < argc) MinBinarySize = std::atoi(argv[++arg]);
    else if (option == "--cobol") CobolMode = true;
    else if (option == "--bad" && arg + 1 < argc) BadPercent = std::atoi(argv[++arg]);
    else break;
  }
  if (argc - arg != 3) {
    std::fprintf(stderr, "usage: generate_data [-b N] [--cobol] [--bad PERCENT] COPYBOOK RECORDS OUT\n");
    return 2;
  }
  ChooseDialect();
  InputFileName = argv[arg];
  StructureName = "RECORD";
  long records = std::atol(argv[arg + 1]);
  SourceFile* file = LoadSourceFile(InputFileName);
  if (file && CurrentDialect->readsReferenceFormat) file = ExpandCobolSource(file);
  Plan plan;
  if (!file || !ProcessCopybook(file) || !CompilePlan(&plan, false)) return 1;
  std::vector<uint8_t> record(static_cast<size_t>(plan.recordLength), 0x40);
  FILE* out = std::fopen(argv[arg + 2], "wb");
  if (!out) return 1;
  Counts.assign(plan.slotCount, 0);
  for (long n = 0; n < records; n++) {
    for (const Step& table : plan.steps)
      if (table.kind == SK_TABLE && table.slot >= 0)
        Counts[table.slot] = table.least + static_cast<int64_t>(Random() % (table.count - table.least + 1));
    Fill(plan, 0, plan.steps.size(), 0, record.data());
    for (const Step& table : plan.steps)
      if (table.kind == SK_TABLE && table.probe >= 0) PutValue(plan.probes[table.probe], record.data() + plan.probes[table.probe].offset, Counts[table.slot]);
    std::fwrite(record.data(), 1, record.size(), out);
  }
  return std::fclose(out) == 0 ? 0 : 1;
}
