#pragma once

#include <string>
#include <vector>

// The program run with arguments: show, export, validate, generate, diff and migrate, without
// windows. What it prints goes into `out` (standard output) and `err` (standard error); the result
// is the exit code.
namespace exit_code {
inline constexpr int kSuccess = 0;
inline constexpr int kDifferent = 1;        // diff: the two differ
inline constexpr int kUsage = 2;            // the command line itself is wrong
inline constexpr int kUnreadableInput = 3;  // an input file is missing or cannot be read
inline constexpr int kNotAnInstaller = 4;   // an installer is no installer with a configuration
inline constexpr int kInvalidSettings = 5;  // settings break the rules; nothing was written
inline constexpr int kWriteFailure = 6;     // an output could not be written whole
}  // namespace exit_code

int runCommandLine(const std::vector<std::string>& arguments, std::string& out, std::string& err);

// Runs the command line of a program started with `argv` (its arguments after the program's
// name) and writes what it printed to standard output and standard error. An output that cannot be
// written whole is a write failure.
int runCommandLineProgram(int argc, char** argv);

// The program's version, as --version prints it.
extern const char kProgramVersion[];
