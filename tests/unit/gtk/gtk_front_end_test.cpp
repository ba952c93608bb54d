// The GTK front end shows the Windows program's texts and choosers as a Linux user expects them:
// mnemonics in GTK's notation and file filters that match as the Windows ones do.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <string>
#include <vector>

#include "app/gtk/gtk_file_choosers.h"
#include "app/gtk/gtk_installer_dialog.h"

namespace {

int accepts(GtkFileFilter* filter, const char* name) {
  GtkFileFilterInfo info = {};
  info.contains =
      static_cast<GtkFileFilterFlags>(GTK_FILE_FILTER_DISPLAY_NAME | GTK_FILE_FILTER_FILENAME);
  info.filename = name;
  info.display_name = name;
  return gtk_file_filter_filter(filter, &info) ? 1 : 0;
}

TEST(ExecutableFilter, MatchesExecutablesInAnyLetterCaseAndNothingElse) {
  std::vector<GtkFileFilter*> filters = executableFilters();
  ASSERT_EQ(filters.size(), 1u);
  GtkFileFilter* filter = filters[0];
  g_object_ref_sink(filter);
  EXPECT_STREQ(gtk_file_filter_get_name(filter), "Player Executable File (*.exe)");
  struct Case {
    const char* name;
    int shown;
  } cases[] = {{"setup.exe", 1},     {"SETUP.EXE", 1}, {"Setup.Exe", 1}, {"a.b.exe", 1},
               {"setup.exe.txt", 0}, {"setup.ex", 0},  {"setupexe", 0},  {"readme.txt", 0}};
  for (const Case& c : cases) EXPECT_EQ(accepts(filter, c.name), c.shown) << c.name;
  g_object_unref(filter);
}

TEST(ExecutableFilter, LettersMatchEitherCaseWhileWildcardsAndSetsStayAsWritten) {
  EXPECT_EQ(caselessPattern("*.exe"), "*.[eE][xX][eE]");
  EXPECT_EQ(caselessPattern("a?1*"), "[aA]?1*");
  EXPECT_EQ(caselessPattern("*.[ch]pp"), "*.[ch][pP][pP]");
  EXPECT_EQ(caselessPattern(""), "");
}

TEST(DialogTexts, WindowsMnemonicsBecomeGtkOnes) {
  EXPECT_EQ(gtkMnemonic("B&rowse"), "B_rowse");
  EXPECT_EQ(gtkMnemonic("&Cancel"), "_Cancel");
  EXPECT_EQ(gtkMnemonic("&Next"), "_Next");
  // A doubled '&' is a literal one; an underscore must not turn into a mnemonic.
  EXPECT_EQ(gtkMnemonic("R&&D"), "R&D");
  EXPECT_EQ(gtkMnemonic("file_name &x"), "file__name _x");
}

// Needs a display (ctest runs it under xvfb-run); without one it is skipped.
TEST(InstallerDialogNote, TheFileNameStaysReadableBelowALongPath) {
  if (!gtk_init_check(nullptr, nullptr)) GTEST_SKIP() << "no display";
  GtkInstallerDialog dialog(nullptr);
  EXPECT_STREQ(dialog.noteText(), "Type the installer's path or use Browse.");
  dialog.setPathText(("/srv/" + std::string(300, 'k') + "/Player Setup.exe").c_str());
  EXPECT_STREQ(dialog.noteText(), "Installer: Player Setup.exe");
  dialog.setPathText("");
  EXPECT_STREQ(dialog.noteText(), "Type the installer's path or use Browse.");
}

}  // namespace
