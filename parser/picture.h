// PICTURE character-strings, and the reader of unsigned numbers that level
// numbers, OCCURS bounds and repeat counts share.
#pragma once

#include <cstdint>
#include <string_view>

#include "parser/field.h"
#include "parser/tokenizer.h"

// Reads an unsigned decimal number of at most 2147483647; 0 after a report.
int ParseNumber(std::string_view text, int32_t* value);

// Called on PIC; returns on the first token after the PICTURE string.
int ParsePicture(TokenCursor* cursor, FieldNode* node);
