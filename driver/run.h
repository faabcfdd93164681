// One run of the converter, from the command line to the exit status.
#pragma once

// Returns the exit status: 0 when the format file was written, else 1.
int RunRecforge(int argc, char** argv);
