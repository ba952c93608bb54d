// The Windows console program: the command line of the windowed program, for pipelines.
#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "app/cli/command_line.h"

int main(int argc, char** argv) {
  // An exported configuration goes out byte for byte, without line-end translation.
  _setmode(_fileno(stdout), _O_BINARY);
  return runCommandLineProgram(argc, argv);
}
