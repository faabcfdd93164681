// The clauses that only a compiler's reading knows, and its forms of
// PICTURE, USAGE, VALUE, OCCURS and SYNC.
#pragma once

#include "parser/field.h"
#include "parser/tokenizer.h"

// 0 when the current word starts none of these clauses; else 1, with the
// clause's result in *result.
int ParseCompilerClause(TokenCursor* cursor, FieldNode* node, int* result);
