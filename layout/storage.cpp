// Storage types and sizes: the final FieldType of every entry, the bytes of
// one occurrence and the number of occurrences.
#include <cstdio>

#include "driver/settings.h"
#include "layout/structure.h"

static int BinarySizeAllowed(int32_t size) {
  return MinBinarySize < 0 || size >= MinBinarySize;
}

int RefuseSize(std::string_view what, std::string_view shown) {
  std::printf("%.*s '%.*s' is longer than 2147483647 bytes\n", static_cast<int>(what.size()),
              what.data(), static_cast<int>(shown.size()), shown.data());
  return 0;
}

struct BinaryChoice {
  int32_t size;
  FieldType whenSigned, whenUnsigned;
};
static constexpr BinaryChoice CHOICES[] = {{1, FT_INT8, FT_UINT8},
                                           {2, FT_SHORT, FT_USHORT},
                                           {4, FT_INT32, FT_UINT32},
                                           {8, FT_INT64, FT_UINT64}};

// Binary of a size the usage fixes: the type that describes its bytes, or
// hex for a size no binary type has.
static FieldType FixedBinaryType(int64_t size, bool isSigned) {
  for (const BinaryChoice& choice : CHOICES)
    if (choice.size == size) return isSigned ? choice.whenSigned : choice.whenUnsigned;
  return FT_HEX;
}

// The fewest bytes whose binary range holds every number of so many
// digits, as cobc sizes COMP-X: 256^bytes >= 10^digits, log10(256) being
// 2.40823996531...
static int64_t BytesForDigits(int64_t digits) {
  constexpr int64_t LOG10_256 = 240823996531;  // scaled by 10^11
  constexpr int64_t SCALE = 100000000000;
  if (digits > INT64_MAX / SCALE) return digits;  // beyond any size allowed
  return (digits * SCALE + LOG10_256 - 1) / LOG10_256;
}

static int SetBinaryType(FieldNode* entry, int64_t digits) {
  static constexpr int64_t MOST_DIGITS[] = {2, 4, 9, INT64_MAX};
  size_t pick = 0;
  if (digits <= 2 && MinBinarySize < 0) {
    if (!CurrentDialect->ibmBinarySizes) {
      std::printf("COMPUTATIONAL field '%s' with %d digit%s found. Minimum Binary "
                  "Size must be provided using -b parameter\n",
                  FormatNameOf(entry->name).c_str(), static_cast<int>(digits), digits == 1 ? "" : "s");
      return 0;
    }
    pick = 1;  // a halfword
  }
  while (pick < 3 && (digits > MOST_DIGITS[pick] || !BinarySizeAllowed(CHOICES[pick].size)))
    pick++;
  entry->size = CHOICES[pick].size;
  entry->type = entry->isSigned ? CHOICES[pick].whenSigned : CHOICES[pick].whenUnsigned;
  return 1;
}

static int SetNumericType(FieldNode* entry) {
  int64_t digits = int64_t{entry->digits} + entry->scale;
  int64_t size = 0;
  switch (entry->usage) {
    case FU_DISPLAY:
      size = digits;
      if (!entry->isSigned) {
        entry->type = FT_CHAR;
      } else {
        if (entry->signSeparate) size++;
        entry->type = OptionFlags & OPT_SIGNED_AS_HEX ? FT_HEX
                      : entry->signSeparate          ? FT_DIGITS
                                                     : FT_OPUNCH;
      }
      break;
    case FU_COMP1:
      entry->type = FT_FLOAT, size = 4;
      break;
    case FU_COMP2:
      entry->type = FT_DOUBLE, size = 8;
      break;
    case FU_PACKED:
      size = (digits + 2) / 2;  // digits and a sign half-byte
      entry->type = OptionFlags & OPT_PACKED_AS_HEX ? FT_HEX
                    : entry->isSigned               ? FT_PACKED
                                                    : FT_UPACKED;
      break;
    case FU_BINARY:
      return SetBinaryType(entry, digits);
    case FU_POINTER:
      entry->type = FT_HEX, size = 4;
      break;
    case FU_PROCEDURE_POINTER:
      entry->type = FT_HEX, size = 8;
      break;
    case FU_INDEX:
      entry->type = FT_INT32, size = 4;
      break;
    case FU_NATIONAL:
    case FU_DISPLAY1:
      // A number of national usage takes the bytes of its display form.
      entry->type = FT_HEX, size = digits + (entry->isSigned && entry->signSeparate);
      break;
    case FU_BINARY_CHAR:
    case FU_BINARY_SHORT:
    case FU_BINARY_LONG:
    case FU_BINARY_DOUBLE:
      size = CHOICES[entry->usage - FU_BINARY_CHAR].size;
      entry->type = FixedBinaryType(size, entry->isSigned);
      break;
    case FU_COMP_X:
      size = BytesForDigits(digits);
      entry->type = FixedBinaryType(size, entry->isSigned);
      break;
    case FU_COMP6:
      if (entry->isSigned) {  // a sign needs its half-byte: a compiler makes it COMP-3
        entry->usage = FU_PACKED;
        return SetNumericType(entry);
      }
      // The packed form has no sign half-byte, so no packed type fits it.
      entry->type = FT_HEX, size = (digits + 1) / 2;
      break;
  }
  if (size > MAX_SIZE) return RefuseSize("Field", FormatNameOf(entry->name));
  entry->size = static_cast<int32_t>(size);
  return 1;
}

int SetStorageType(FieldNode* entry) {
  if (entry->type == FT_CHAR || entry->type == FT_HEX) {  // hex: national and DBCS
    entry->size = entry->digits;
    // COMP-X on an X picture: unsigned binary, a byte a position.
    if (entry->type == FT_CHAR && entry->usage == FU_COMP_X)
      entry->type = FixedBinaryType(entry->size, false);
    return 1;
  }
  if (entry->type == FT_NUMERIC) {
    entry->isNumber = true;
    return SetNumericType(entry);
  }
  entry->size = 0;
  return 1;
}

int32_t LongBinaryAlignment() { return CurrentDialect->fullwordLongBinary ? 4 : 8; }

int32_t LeadingAlignment(const FieldNode* member) {
  while (member && member->type == FT_STRUCT) member = member->structure->members;
  return member && member->isSync && IsBinaryOrFloat(member->type) ? NaturalAlignment(member) : 1;
}

int64_t SlackBeforeUnaligned(const FieldNode* member) {
  if (member->type == FT_STRUCT) return LeadingAlignment(member) - member->alignRemainder;
  return member->isSync ? NaturalAlignment(member) - member->alignRemainder : 0;
}
