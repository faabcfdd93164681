// The flat plan: tables of a fixed count unrolled into their occurrences'
// cells, the text between cells rendered as the steps would write it. The
// writers here assume valid data and give up on the first field that is
// not: the record is then run through the steps, whose report is the one.
#include "decoder/flat_plan.h"

#include <cstring>

#include "decoder/code_pages.h"
#include "decoder/lanes.h"
#include "driver/settings.h"

namespace {

constexpr uint64_t ONES = 0x0101010101010101ull;
// Past this many cells the unrolled plan would outgrow the caches.
constexpr size_t MOST_OPS = size_t{1} << 16;

FlatKind KindOf(const Step& step, const CodePage& page) {
  int32_t width = static_cast<int32_t>(step.width);
  bool decimal = step.scale >= 0 && step.scale <= width;  // no P scaling past the digits
  switch (step.kind) {
    case SK_TEXT: return page.utf8 ? FK_OTHER : FK_TEXT;
    case SK_ZONED:
      if (!decimal || width > 16) return FK_OTHER;
      return step.sign == SIGN_NONE ? FK_ZONED : step.sign == SIGN_LEADING ? FK_ZONED_FIRST : FK_ZONED_LAST;
    case SK_PACKED: return decimal && width <= 8 ? FK_PACKED : FK_OTHER;
    case SK_DIGIT_PAIRS: return step.scale >= 0 && step.scale <= 2 * width && width <= 8 ? FK_NIBBLES : FK_OTHER;
    case SK_BINARY: return decimal ? FK_BINARY : FK_OTHER;
    default: return FK_OTHER;
  }
}

struct Unroller {
  const Plan* plan;
  OutputForm form;
  FlatPlan* flat;
  std::string text;  // written since the last cell
  bool fits = true;

  void Key(const Step& step) { text += "\"" + plan->names[step.name] + "\":"; }

  // As the steps close a JSON object or array: its last comma becomes the bracket.
  void Close(char bracket) {
    if (!text.empty() && text.back() == ',') text.back() = bracket;
    else text += bracket;
    text += ',';
  }

  void Cell(const Step& step, int32_t index, int64_t at) {
    if (form == FORM_JSON && step.keyed) Key(step);
    FlatOp op{};
    op.offset = static_cast<uint32_t>(at);
    op.width = step.width;
    op.literal = static_cast<uint32_t>(flat->literals.size());
    op.literalLength = static_cast<uint32_t>(text.size());
    op.kind = KindOf(step, DataCodePage);
    op.isSigned = step.sign != SIGN_NONE;
    op.scale = step.scale;
    op.step = index;
    flat->literals += text;
    flat->ops.push_back(op);
    text = ",";
    fits = flat->ops.size() <= MOST_OPS;
  }

  // The steps from up to to of an occurrence that starts at base.
  void Run(int32_t from, int32_t to, int64_t base) {
    for (int32_t i = from; i < to && fits;) {
      const Step& step = plan->steps[i];
      switch (step.kind) {
        case SK_GROUP:
          if (form == FORM_JSON) {
            if (step.keyed) Key(step);
            text += '{';
          }
          i++;
          break;
        case SK_GROUP_END:
          if (form == FORM_JSON) Close('}');
          i++;
          break;
        case SK_TABLE: {
          if (step.slot >= 0 || step.count <= 0) {  // counted in each record
            fits = false;
            return;
          }
          if (form == FORM_JSON) Key(step), text += '[';
          for (int32_t k = 0; k < step.count && fits; k++)
            Run(i + 1, step.jump, base + step.offset + int64_t{k} * step.width);
          if (form == FORM_JSON) Close(']');
          i = step.jump + 1;
          break;
        }
        default:
          Cell(step, i, base + step.offset);
          i++;
          break;
      }
    }
  }
};

// Sixteen bytes at a time: the pool is padded, and the output has room
// past the text.
inline void PutLiteral(char* out, const char* literal, uint32_t length) {
  std::memcpy(out, literal, 16);
  for (uint32_t at = 16; at < length; at += 16) std::memcpy(out + at, literal + at, 16);
}

// The bytes up to the last that is not a space: sixteen compared at once,
// as many rounds as the width takes whatever the text.
inline uint32_t TrimmedLength(const uint8_t* p, uint32_t width, uint8_t space) {
  uint32_t length = 0;
  __m128i spaces = _mm_set1_epi8(static_cast<char>(space));
  for (uint32_t at = 0; at < width; at += 16) {
    __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at));
    uint32_t other = ~static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, spaces))) & 0xFFFF;
    uint32_t left = width - at;
    if (left < 16) other &= (1u << left) - 1;
    length = other ? at + 32 - __builtin_clz(other) : length;
  }
  return length;
}

// Eight data bytes as their ASCII bytes, two a lookup.
inline uint64_t EightPlain(const uint8_t* p, const uint16_t* pairs) {
  uint16_t a, b, c, d;
  std::memcpy(&a, p, 2);
  std::memcpy(&b, p + 2, 2);
  std::memcpy(&c, p + 4, 2);
  std::memcpy(&d, p + 6, 2);
  return uint64_t{pairs[a]} | uint64_t{pairs[b]} << 16 | uint64_t{pairs[c]} << 32 | uint64_t{pairs[d]} << 48;
}

// Text whose bytes are all plain, converted over the whole width (the
// trailing spaces are plain too) so that the rounds do not hang on the
// text; anything else goes byte by byte through the step's writer.
template <OutputForm FORM>
inline char* PutPlainText(char* out, const uint8_t* p, uint32_t width, const uint16_t* pairs, const CodePage& page,
                          bool keepSpaces) {
  uint32_t length = keepSpaces ? width : TrimmedLength(p, width, page.space);
  char* start = out;
  if (FORM == FORM_JSON) *out++ = '"';
  uint64_t zero = 0;  // high bit set in a byte that converted to none
  uint32_t at = 0;
  for (; at + 8 <= width; at += 8) {
    uint64_t x = EightPlain(p + at, pairs);
    zero |= (x - ONES) & ~x;
    std::memcpy(out + at, &x, 8);
  }
  if (at < width) {  // the bytes past the width may be zeros
    uint64_t x = EightPlain(p + at, pairs);
    zero |= (x - ONES) & ~x & (~uint64_t{0} >> (64 - 8 * (width - at)));
    std::memcpy(out + at, &x, 8);
  }
  if (zero & (0x80 * ONES)) return PutText(start, p, width, page, FORM, keepSpaces);
  out += length;
  if (FORM == FORM_JSON) *out++ = '"';
  return out;
}

}  // namespace

void CompileFlatPlan(const Plan& plan, OutputForm form, FlatPlan* flat) {
  *flat = FlatPlan{};
  Unroller unroller{&plan, form, flat, form == FORM_JSON ? "{" : ""};
  unroller.Run(0, static_cast<int32_t>(plan.steps.size()), 0);
  if (!unroller.fits || !plan.probes.empty()) {
    flat->ops.clear();
    return;
  }
  std::string& text = unroller.text;
  if (form == FORM_JSON) {
    unroller.Close('}');
    text.back() = '\n';
  } else if (!flat->ops.empty()) {
    text.back() = '\n';
  } else {
    text = "\n";
  }
  flat->tail = static_cast<uint32_t>(flat->literals.size());
  flat->tailLength = static_cast<uint32_t>(text.size());
  flat->literals += text;
  flat->literals.append(16, '\0');
  const uint8_t* plain = DataCodePage.plain[form];
  flat->pairs.resize(65536);
  for (uint32_t i = 0; i < 65536; i++) flat->pairs[i] = static_cast<uint16_t>(plain[i & 0xFF] | plain[i >> 8] << 8);
  flat->usable = true;
}

template <OutputForm FORM>
char* FlatRow(const FlatPlan& flat, const Plan& plan, const uint8_t* record, char* out, bool ibmFloats) {
  const CodePage& page = DataCodePage;
  const char* literals = flat.literals.data();
  const uint16_t* pairs = flat.pairs.data();
  bool keepSpaces = KeepSpaces;
  for (const FlatOp& op : flat.ops) {
    PutLiteral(out, literals + op.literal, op.literalLength);
    out += op.literalLength;
    const uint8_t* p = record + op.offset;
    int32_t width = static_cast<int32_t>(op.width);
    __m128i digits;
    bool negative;
    switch (op.kind) {
      case FK_TEXT:
        out = PutPlainText<FORM>(out, p, op.width, pairs, page, keepSpaces);
        break;
      case FK_ZONED:
      case FK_ZONED_LAST:
      case FK_ZONED_FIRST: {
        int32_t carrier = op.kind == FK_ZONED ? -1 : op.kind == FK_ZONED_FIRST ? 0 : width - 1;
        if (!ZonedLanes(p, width, carrier, page, &digits, &negative)) return nullptr;
        out = PutLanes(out, digits, width, op.scale, negative);
        break;
      }
      case FK_PACKED:
        if (!PackedLanes(p, width, op.isSigned, &digits, &negative)) return nullptr;
        out = PutLanes(out, digits, 2 * width - 1, op.scale, negative);
        break;
      case FK_NIBBLES:
        if (!NibbleLanes(p, width, &digits)) return nullptr;
        out = PutLanes(out, digits, 2 * width, op.scale, false);
        break;
      case FK_BINARY: {
        uint64_t value = BinaryMagnitude(p, op.width, op.isSigned, &negative);
        out = value < SIXTEEN_DIGITS_LIMIT ? PutLanes(out, SixteenDigits(value), 16, op.scale, negative)
                                           : PutWideLanes(out, value, op.scale, negative);
        break;
      }
      default:
        out = PutValue(out, p, plan.steps[op.step], FORM, ibmFloats, keepSpaces);
        break;
    }
    if (!out) return nullptr;
  }
  PutLiteral(out, literals + flat.tail, flat.tailLength);
  return out + flat.tailLength;
}

template char* FlatRow<FORM_CSV>(const FlatPlan&, const Plan&, const uint8_t*, char*, bool);
template char* FlatRow<FORM_JSON>(const FlatPlan&, const Plan&, const uint8_t*, char*, bool);
