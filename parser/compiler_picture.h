// PICTURE character-strings as a compiler reads them: symbols in either
// letter case, editing symbols, the scaling symbol P, national and DBCS.
#pragma once

#include "parser/field.h"
#include "parser/tokenizer.h"

// Called on PIC or PICTURE; returns on the first token after the string.
int ParseCompilerPicture(TokenCursor* cursor, FieldNode* node);
