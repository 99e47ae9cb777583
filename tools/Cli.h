// The qvasn1 command line, as a function so that test programs can run it
// with the types they register themselves.
#ifndef QVASN1_TOOL_CLI_H
#define QVASN1_TOOL_CLI_H

#include <stdio.h>

namespace qvasn1tool {

// Exit statuses.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;   // bad input, round trip differs, nothing identified
constexpr int kExitUsage = 2;     // bad command line, unknown type

// Runs the program: results go to out, diagnostics (one line each) to err.
// Returns the exit status.
int runCli(int argc, char** argv, FILE* out, FILE* err);

}  // namespace qvasn1tool

#endif
