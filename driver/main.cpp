#include "driver/run.h"

int main(int argc, char** argv) { return RunRecforge(argc, argv); }
