// --decode: the data file's records, read with the layout's exact places,
// written as CSV or JSON Lines.
#pragma once

// Compiles the plan, reads every record and writes its row; prints the last
// line on standard error. 0 after a message when the run failed.
int DecodeData();

// Where decoded rows for standard output go: the driver moves the run's
// messages to standard error then, so that standard output holds the rows.
extern int DecodedOutputFd;
