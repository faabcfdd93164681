// One run of the converter, from the command line to the exit status.
#pragma once

// Returns the exit status: 0 when the format file was written, else 1.
int RunRecforge(int argc, char** argv);

// Back to the state before a run: files closed, every record given back,
// settings and scanner at their start. For running again in one process
// (tests and fuzzing); the program itself runs once.
void ResetRunState();
