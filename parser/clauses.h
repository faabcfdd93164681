// The clauses of an entry, from the token after its name to its period.
#pragma once

#include "parser/field.h"
#include "parser/tokenizer.h"

// The clause loop; succeeds with the cursor on the entry's period.
int ParseEntryClauses(TokenCursor* cursor, FieldNode* node);

int ParseOccurs(TokenCursor* cursor, FieldNode* node);
int ParseUsage(TokenCursor* cursor, FieldNode* node);
int ParseValue(TokenCursor* cursor, FieldNode* node);
int ParseSign(TokenCursor* cursor, FieldNode* node);
int ParseRedefines(TokenCursor* cursor, FieldNode* node);

// The USAGE a word names exactly, or -1 when it names none.
int32_t LookUpUsage(std::string_view word);
