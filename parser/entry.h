// Reading one data description entry: level number, name and clauses.
#pragma once

#include <string_view>

#include "parser/field.h"
#include "parser/tokenizer.h"

// Success with *entry null at the regular end of the copybook; success with
// a record read up to its period; failure, with *entry null or partly read.
int ReadEntry(TokenCursor* cursor, FieldNode** entry);

// The name without the leading StripPrefix, or an empty view when the name
// does not begin with it (then the full name is used).
std::string_view ShortNameOf(std::string_view name);
