// kestrix-config's command line, built alone so that the benchmark script times `generate`
// without building the windowed program.
#include "app/cli/command_line.h"

int main(int argc, char** argv) { return runCommandLineProgram(argc, argv); }
