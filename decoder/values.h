// The text of one field's value, written by hand at an output position.
// Each writer returns the end of what it wrote, or null when the bytes are
// not valid for the field's type; nothing is guessed.
#pragma once

#include <cstdint>

#include "decoder/code_pages.h"
#include "decoder/plan.h"

enum OutputForm : int32_t { FORM_CSV = 0, FORM_JSON = 1 };

// Numbers as exact decimals: zoned, separate sign, packed and binary.
char* PutNumber(char* out, const uint8_t* bytes, const Step& step, const CodePage& page);
// COMP-1 and COMP-2, IBM hexadecimal or IEEE, as the shortest text that
// reads back as the same double.
char* PutFloat(char* out, const uint8_t* bytes, const Step& step, bool ibm);
char* PutHex(char* out, const uint8_t* bytes, uint32_t width);
// Characters, trailing spaces removed unless kept; quoted or escaped as
// the form needs (a JSON string with its quotes).
char* PutText(char* out, const uint8_t* bytes, uint32_t width, const CodePage& page, OutputForm form,
              bool keepSpaces);
char* PutNational(char* out, const uint8_t* bytes, uint32_t width, OutputForm form, bool keepSpaces);

// Any field's value as the form writes it, through the writer of its kind.
char* PutValue(char* out, const uint8_t* bytes, const Step& step, OutputForm form, bool ibmFloats, bool keepSpaces);

// The integer value of a number field (a DEPENDING ON object), its
// decimals cut off; 0 when the bytes are not valid.
int ReadInteger(const uint8_t* bytes, const Step& step, const CodePage& page, int64_t* value);

// Digits as an exact decimal: scale digits after the point, or -scale
// zeros after them; leading zeros dropped, no sign on zero.
char* PutDecimal(char* out, const char* digits, int32_t count, int32_t scale, bool negative);
