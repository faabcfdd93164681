// Positioned diagnostics: every stage that finds a fault at a place in the
// copybook prints "At offset %d on line %d of file '%s' " and its message
// on one line, through this one builder.
#pragma once

#include <cstdarg>
#include <cstdint>

#include "source/source_file.h"

// Prints where a column of a physical line is (for no line, "Unknown
// location:"), then the message; returns 0, the result of the step that
// fails with it.
int ReportAtLine(const SourceLine* line, int64_t offset, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
int ReportAtLineV(const SourceLine* line, int64_t offset, const char* format, va_list arguments)
    __attribute__((format(printf, 3, 0)));
