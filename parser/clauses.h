// The clauses of an entry, from the token after its name to its period:
// by default a fixed subset of the data description grammar, read as a
// compiler does the whole of it.
#pragma once

#include <string_view>

#include "driver/settings.h"
#include "parser/field.h"
#include "parser/tokenizer.h"

// The clause loop; succeeds with the cursor on the entry's period.
int ParseEntryClauses(TokenCursor* cursor, FieldNode* node);

inline bool ReadsCompilerGrammar() { return CurrentDialect->compilerGrammar; }

// The keyword a word is in the grammar read: the default grammar knows
// none of the compiler's words, and takes any word that begins with SYNC
// or USAGE for it; a compiler reads whole words.
Keyword ClauseKeyword(std::string_view token);

// How the optional words of OCCURS, USAGE and VALUE are recognised: by
// default any word that begins with one will do.
inline WordMatch PhraseMatch() { return ReadsCompilerGrammar() ? WM_WHOLE : WM_PREFIX; }

// One clause each, entered on the clause's first word; each leaves the
// cursor on the first token after the clause.
int ParseOccurs(TokenCursor* cursor, FieldNode* node);
int ParseUsage(TokenCursor* cursor, FieldNode* node);
int ParseValue(TokenCursor* cursor, FieldNode* node);
