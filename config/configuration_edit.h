#pragma once

#include <string>
#include <string_view>

// The configuration a generated installer carries: the installer's own configuration text with the
// editor's result applied to it, so that what the administrator did not edit stays byte for byte
// as it was (sections, order, spelling of names, comments, blank lines, line ends, settings the
// editor does not know), and each edit changes only the lines of its setting.
struct ConfigurationEditInput {
  std::string_view original;  // the installer's configuration: text of `codePage`, or UTF-16LE
                              // after its byte-order mark
  unsigned codePage = 1252;
  std::string_view result;          // the file the editor saved
  std::string_view unedited;        // the file the editor saves when nothing was edited
  bool hasUnedited = false;         // without it every setting of the result counts as edited
  unsigned editorCodePage = 65001;  // the code page of the editor's two files
};

struct ConfigurationEditOutcome {
  std::string text;      // the new configuration
  std::string refused;   // the setting whose value the code page cannot hold, as the editor
                         // wrote its name
  int changedLines = 0;  // lines changed or added
};

// 1 with the new text; 0 when an edited value holds a character the configuration's code page
// cannot hold (outcome.refused names the setting, and no text is made).
//
// A setting counts as edited when its value in the result differs from the unedited file. An
// edited setting whose value equals, as the platform's reader reads them, what the original holds
// changes nothing. Otherwise the value part of its line changes (quotes around the old value stay
// around the new one); a key the original lacks is added at the end of its section (a section the
// original lacks, at the end of the text). Counted records ("Key"/"Value"/"Locked" n with
// "PrefsCount" in kx_preferences, "Datatype"/"Status"/"Locked" n with "DatatypeCount" in
// datatypes) are matched by name: a known record changes only its value and lock lines, a new one
// is appended with the next number and the count raised.
int applyEditorResult(const ConfigurationEditInput& input, ConfigurationEditOutcome& outcome);
