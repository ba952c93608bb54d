#pragma once

#include <array>
#include <cstdint>
#include <string>

// What the command line reports about an installer, read from the file itself (never loaded or
// run).
struct InstallerFacts {
  std::string configuration;  // the "KXECONFIG" resource, byte for byte
  unsigned codePage = 1252;   // the code page its text is in
  bool hasModeSwitch = false;
  std::string modeSwitch;  // string 300, in UTF-8
  // Whether generation can set string 300: its block is there and can be rewritten whole.
  bool canSetModeSwitch = false;
  bool hasQuickTime = false;
  std::size_t quickTimeSize = 0;
  bool isSigned = false;  // carries an Authenticode certificate table
  bool hasVersion = false;
  std::array<std::uint16_t, 4> productVersion{};  // from its version resource
};

enum class InstallerReadResult {
  kRead,
  kUnreadable,       // missing, not a file, or not readable
  kNotExecutable,    // not a Windows executable at all
  kNoConfiguration,  // an executable without a configuration resource
};

// Reads the installer at `path`; `reason` says why when it cannot be read (the system's words)
// or is no installer.
InstallerReadResult readInstallerFacts(const std::string& path, InstallerFacts& facts,
                                       std::string& reason);

// The bytes of the installer's "QTPREF" resource; false when it has none.
bool readInstallerQuickTime(const std::string& path, std::string& bytes);

// The installation mode a switch stands for: "normal" (" /p"), "silent" (" /s"), or empty for
// any other text.
std::string installModeName(const std::string& modeSwitch);

// "6.1.0.0"
std::string versionText(const std::array<std::uint16_t, 4>& version);
