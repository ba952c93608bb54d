// The configuration reader's own rules, for the cases the page data and generation depend on. The
// comparison with the platform's reader itself lives in ini_platform_test.cpp.
#include "config/ini_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

IniFile parsed(const std::string& text) {
  IniFile ini;
  ini.parse(text);
  return ini;
}

std::string str(const SharedString& s) { return std::string(s.text(), s.length()); }

TEST(IniFileTest, NamesMatchWithoutCaseAndTheFirstSectionAndKeyWin) {
  const IniFile ini = parsed(
      "[datatypes]\r\nDataType1=Kestrix.MP3.6\r\ndatatype1=later\r\n"
      "[kx_preferences]\r\nPrefsCount=2\r\n"
      "[DATATYPES]\r\nDatatype2=hidden in the repeated section\r\n");
  EXPECT_EQ(str(ini.readString("datatypes", "Datatype1")), "Kestrix.MP3.6");
  EXPECT_EQ(str(ini.readString("DataTypes", "DATATYPE1")), "Kestrix.MP3.6");
  EXPECT_EQ(str(ini.readString("datatypes", "Datatype2", "none")), "none");
  EXPECT_EQ(ini.readInt("KX_Preferences", "prefscount", 0), 2);
}

TEST(IniFileTest, BlanksQuotesAndKeysWithoutValues) {
  const IniFile ini = parsed(
      "top = above every section\n"
      "[s]\n"
      "  spaced key \t=\t spaced value \x1a \n"
      "double=\"  kept inside  \"\n"
      "single='x'\n"
      "mismatched=\"x'\n"
      "lone=\"\n"
      "empty=\"\"\n"
      "inner=\"a\"b\"\n"
      "bare\n"
      "bare=too late: the first key of a name wins\n"
      "; note=a comment line is a key like any other\n"
      "after=1 ; text after the value stays\n");
  EXPECT_EQ(str(ini.readString("", "top")), "above every section");
  EXPECT_EQ(str(ini.readString(" s ", " SPACED KEY ")), "spaced value");
  EXPECT_EQ(str(ini.readString("s", "double")), "  kept inside  ");
  EXPECT_EQ(str(ini.readString("s", "single")), "x");
  EXPECT_EQ(str(ini.readString("s", "mismatched")), "\"x'");
  EXPECT_EQ(str(ini.readString("s", "lone")), "\"");
  EXPECT_EQ(str(ini.readString("s", "empty", "default")), "");
  EXPECT_EQ(str(ini.readString("s", "inner")), "a\"b");
  EXPECT_EQ(str(ini.readString("s", "bare", "default")), "default");
  EXPECT_EQ(str(ini.readString("s", "; note")), "a comment line is a key like any other");
  EXPECT_EQ(str(ini.readString("s", "after")), "1 ; text after the value stays");
  EXPECT_EQ(str(ini.readString("s", "", "default")), "default");
  EXPECT_EQ(str(ini.readString("s", "missing", "trailing spaces go  ")), "trailing spaces go");
}

TEST(IniFileTest, HeadersAndLineEnds) {
  const IniFile ini = parsed(
      "[open\r\n"       // no closing bracket: an ordinary key line, still in the nameless section
      "k=nameless\r"    // a lone CR ends a line too
      "[a] trailing\n"  // text after the bracket is ignored
      "k=a\r\n"
      "[b]c]\r\n"  // the last bracket closes the name
      "k=b]c\r\n"
      "[ padded ]\r\n"
      "k=padded\r\n"
      "[nul]\r\n"
      "k=before" +
      std::string(1, '\0') +
      "after\r\n"
      "last=no final newline");
  EXPECT_EQ(str(ini.readString("", "k")), "nameless");
  EXPECT_EQ(str(ini.readString("", "[open", "default")), "default");
  EXPECT_EQ(str(ini.readString("open", "k", "default")), "default");
  EXPECT_EQ(str(ini.readString("a", "k")), "a");
  EXPECT_EQ(str(ini.readString("b]c", "k")), "b]c");
  EXPECT_EQ(str(ini.readString("padded", "k")), "padded");
  EXPECT_EQ(str(ini.readString("nul", "k")), "before");
  EXPECT_EQ(str(ini.readString("nul", "last")), "no final newline");
}

TEST(IniFileTest, TextsAreCutTo255Characters) {
  const std::string x300(300, 'x');
  const IniFile ini = parsed("[s]\nlong=" + x300 + "\nquoted255=\"" + x300.substr(0, 255) +
                             "\"\nquoted256=\"" + x300.substr(0, 256) + "\"\n");
  EXPECT_EQ(ini.readString("s", "long").length(), 255);
  EXPECT_EQ(str(ini.readString("s", "quoted255")), x300.substr(0, 255));
  EXPECT_EQ(str(ini.readString("s", "quoted256")), x300.substr(0, 255));
  EXPECT_EQ(ini.readString("s", "missing", x300.c_str()).length(), 255);
}

TEST(IniFileTest, IntegersAsThePlatformReadsThem) {
  const IniFile ini = parsed(
      "[n]\nplain=1544000\nneg=-1\nplus=+7\nspaced=   42  \nquoted=\"  -3\"\ntrail=12abc\n"
      "text=abc\nsignonly=-\nsignspace=- 5\nhex=0x1F\nupperhex=0X1F\nbinary=0b101\noctal=0o17\n"
      "leadingzero=010\nwrap=4294967295\nbig=2147483648\nempty=\nemptyquoted=\"\"\nbare\n"
      "cut=12345678901234567890123456789012\n");
  EXPECT_EQ(ini.readInt("n", "plain", 9), 1544000);
  EXPECT_EQ(ini.readInt("n", "neg", 9), -1);
  EXPECT_EQ(ini.readInt("n", "plus", 9), 7);
  EXPECT_EQ(ini.readInt("n", "spaced", 9), 42);
  EXPECT_EQ(ini.readInt("n", "quoted", 9), -3);
  EXPECT_EQ(ini.readInt("n", "trail", 9), 12);
  EXPECT_EQ(ini.readInt("n", "text", 9), 0);
  EXPECT_EQ(ini.readInt("n", "signonly", 9), 0);
  EXPECT_EQ(ini.readInt("n", "signspace", 9), 0);
  EXPECT_EQ(ini.readInt("n", "hex", 9), 31);
  EXPECT_EQ(ini.readInt("n", "upperhex", 9), 0);
  EXPECT_EQ(ini.readInt("n", "binary", 9), 5);
  EXPECT_EQ(ini.readInt("n", "octal", 9), 15);
  EXPECT_EQ(ini.readInt("n", "leadingzero", 9), 10);
  EXPECT_EQ(ini.readInt("n", "wrap", 9), -1);
  EXPECT_EQ(ini.readInt("n", "big", 9), -2147483647 - 1);
  EXPECT_EQ(ini.readInt("n", "empty", 9), 9);
  EXPECT_EQ(ini.readInt("n", "emptyquoted", 9), 9);
  EXPECT_EQ(ini.readInt("n", "bare", 9), 9);
  EXPECT_EQ(ini.readInt("n", "missing", 9), 9);
  EXPECT_EQ(ini.readInt("missing", "plain", 9), 9);
  // Only the first 29 characters are read: 12345678901234567890123456789 modulo 2^32.
  EXPECT_EQ(ini.readInt("n", "cut", 9), 1849262357);
}

TEST(IniFileTest, TheEmptyNameAndByteOrderMarks) {
  // "=value" is the key with the empty name; the first such line wins.
  IniFile ini = parsed("[s]\r\n=first\r\n = second\r\nx=1\r\n");
  EXPECT_EQ(str(ini.readString("s", "", "default")), "first");
  EXPECT_EQ(str(ini.readString("s", " ", "default")), "first");

  // UTF-16LE after its mark reads as its characters in the reader's code page, '?' for those the
  // code page cannot hold; a lone surrogate too.
  std::u16string wide = u"[S\u00E9c]\r\nk=Liv\u00E9 \u20AC \u0416\r\n=e\r\n";
  wide += static_cast<char16_t>(0xD800);
  std::string bytes("\xFF\xFE", 2);
  for (const char16_t c : wide) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  ini.setCodePage(1252);
  ini.parse(bytes);
  EXPECT_EQ(ini.wasUtf16(), 1);
  EXPECT_EQ(str(ini.readString("S\xE9"
                               "c",
                               "k")),
            "Liv\xE9 \x80 ?");
  EXPECT_EQ(str(ini.readString("s\xE9"
                               "c",
                               "")),
            "e");
  ini.setCodePage(1251);
  ini.parse(bytes);
  EXPECT_EQ(str(ini.readString("S?c", "k")), "Liv? \x88 \xC6");

  // A UTF-8 mark is no mark to the platform: it stays in the first line, so that a section opened
  // there is not found, while one opened on a later line is.
  ini.parse("\xEF\xBB\xBF[first]\r\na=1\r\n[second]\r\nb=2\r\n");
  EXPECT_EQ(ini.wasUtf16(), 0);
  EXPECT_EQ(str(ini.readString("first", "a", "none")), "none");
  EXPECT_EQ(str(ini.readString("", "a")), "1");
  EXPECT_EQ(str(ini.readString("second", "b")), "2");
}

TEST(IniFileTest, LoadsAFileAndTreatsAMissingOneAsEmpty) {
  const auto path = std::filesystem::temp_directory_path() / "kx_ini_file_test.ini";
  std::FILE* f = std::fopen(path.string().c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fputs("[setup]\r\nInstallMode=2\r\n", f);
  std::fclose(f);

  IniFile ini;
  EXPECT_EQ(ini.load(PathName(path.string().c_str())), 1);
  EXPECT_EQ(ini.readInt("setup", "installmode", 1), 2);

  std::filesystem::remove(path);
  EXPECT_EQ(ini.load(PathName(path.string().c_str())), 0);
  EXPECT_EQ(ini.readInt("setup", "installmode", 1), 1);
  EXPECT_EQ(str(ini.readString("setup", "InstallMode", "none")), "none");
}

}  // namespace
