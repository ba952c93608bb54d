// The editor's result applied to the installer's own configuration: nothing edited gives the very
// same bytes in every code page, an edit touches only its own lines, records are matched by name,
// what the editor does not know stays, and a character the code page cannot hold is refused.
#include "config/configuration_edit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "config/code_page.h"

namespace {

struct Applied {
  int ok;
  std::string text;
  std::string refused;
};

Applied apply(const std::string& original, unsigned codePage, const std::string& result,
              const std::string* unedited) {
  ConfigurationEditInput input;
  input.original = original;
  input.codePage = codePage;
  input.result = result;
  input.hasUnedited = unedited != nullptr;
  if (unedited != nullptr) input.unedited = *unedited;
  input.editorCodePage = 65001;
  ConfigurationEditOutcome outcome;
  const int ok = applyEditorResult(input, outcome);
  return {ok, outcome.text, outcome.refused};
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out(1);
  for (const char c : text) {
    if (c == '\n') {
      out.emplace_back();
    } else {
      out.back() += c;
    }
  }
  return out;
}

// The lines only `before` has and the lines only `after` has, by a longest common subsequence.
struct Diff {
  std::vector<std::string> removed;
  std::vector<std::string> added;
  bool operator==(const Diff&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Diff& d) {
  for (const std::string& l : d.removed) os << "\n- " << l;
  for (const std::string& l : d.added) os << "\n+ " << l;
  return os;
}

Diff diff(const std::string& before, const std::string& after) {
  const std::vector<std::string> a = lines(before);
  const std::vector<std::string> b = lines(after);
  std::vector<std::vector<int>> common(a.size() + 1, std::vector<int>(b.size() + 1, 0));
  for (std::size_t i = a.size(); i-- > 0;) {
    for (std::size_t j = b.size(); j-- > 0;) {
      common[i][j] =
          a[i] == b[j] ? common[i + 1][j + 1] + 1 : std::max(common[i + 1][j], common[i][j + 1]);
    }
  }
  Diff d;
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < a.size() || j < b.size()) {
    if (i < a.size() && j < b.size() && a[i] == b[j]) {
      ++i;
      ++j;
    } else if (j < b.size() && (i == a.size() || common[i][j + 1] >= common[i + 1][j])) {
      d.added.push_back(b[j++]);
    } else {
      d.removed.push_back(a[i++]);
    }
  }
  return d;
}

// An installer's configuration in one code page: comments, odd spacing, quotes, a line with LF
// only, a record and a key and a section the editor does not know, a repeated section.
std::string original(const std::string& homePage, const std::string& region) {
  return "; Kestrix configuration \x95\x5C\r\n"
         "[KX_Preferences]\r\n"
         "ApplyKXPrefs = 1\r\n"
         "Key1=RegionData\r\n"
         "Value1 = \"" +
         region +
         "\"  \r\n"
         "Locked1=1\r\n"
         "Key2=Kestrix-Future\r\n"
         "Value2=kept\r\n"
         "PrefsCount=2\n"
         "\r\n"
         "[datatypes]\r\n"
         "Datatype1=Kestrix.MP3.6\r\n"
         "Status1=1\r\n"
         "Locked1=0\r\n"
         "DatatypeCount=1\r\n"
         "\r\n"
         "[setup]\r\n"
         "HomePage=" +
         homePage +
         "\r\n"
         "InstallMode=1\r\n"
         "FutureKey=unknown to the editor\r\n"
         "[future]\r\n"
         "x=1\r\n"
         "[setup]\r\n"
         "HomePage=a repeated section is never read\r\n";
}

// What the editor saves for that configuration, in UTF-8.
std::string saved(const std::string& homePage, const std::string& region,
                  const std::string& regionLock = "1", const std::string& extra = "") {
  return "[kx_preferences]\r\nKey1=RegionData\r\nValue1=" + region + "\r\nLocked1=" + regionLock +
         "\r\nKey2=SendStatistics\r\nValue2=1\r\nLocked2=0\r\n" + extra +
         "PrefsCount=" + (extra.empty() ? "2" : "3") +
         "\r\n\r\nApplyKXPrefs=1\r\n\r\n[setup]\r\nHomePage=" + homePage +
         "\r\nInstallMode=1\r\nInstallPath=C:/Kestrix\r\n\r\n[datatypes]\r\nDataType1=Kestrix.MP3.6"
         "\r\nStatus1=1\r\nLocked1=0\r\nDatatypeCount=1\r\n\r\n";
}

struct Sample {
  unsigned codePage;
  std::string homePage;  // in the code page, then in UTF-8
  std::string homePageUtf8;
  std::string region;
  std::string regionUtf8;
};

const Sample kSamples[] = {
    {1252, "Liv\xE9 \x80\x81\x9F", "Liv\xC3\xA9 \xE2\x82\xAC\xC2\x81\xC5\xB8", "K\xF6ln",
     "K\xC3\xB6ln"},
    {1251, "\xCC\xEE\xF1\xEA\xE2\xE0 \x98",
     "\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0 \xC2\x98", "\x80\x9F", "\xD0\x82\xD1\x9F"},
    {932, "\x83\x5Cn\\\x95\x5C", "\xE3\x82\xBDn\\\xE8\xA1\xA8", "\x93\x8C\x8B\x9E",
     "\xE6\x9D\xB1\xE4\xBA\xAC"},
    {936, "\x81\x5C\x80", "\xE4\xB9\x97\xE2\x82\xAC", "\xB1\xB1\xBE\xA9",
     "\xE5\x8C\x97\xE4\xBA\xAC"},
};

TEST(ConfigurationEditTest, NothingEditedGivesTheSameBytesInEveryCodePage) {
  for (const Sample& s : kSamples) {
    SCOPED_TRACE(s.codePage);
    const std::string text = original(s.homePage, s.region);
    const std::string page = saved(s.homePageUtf8, s.regionUtf8);
    // With the unedited twin, and without it: values equal as the reader reads them change nothing.
    Applied a = apply(text, s.codePage, page, &page);
    EXPECT_EQ(a.ok, 1);
    EXPECT_EQ(a.text, text);
    a = apply(text, s.codePage, saved(s.homePageUtf8, s.regionUtf8), nullptr);
    EXPECT_EQ(a.ok, 1);
    EXPECT_EQ(diff(text, a.text), (Diff{{"PrefsCount=2"},
                                        {"PrefsCount=3", "Key3=SendStatistics\r", "Value3=1\r",
                                         "Locked3=0\r", "InstallPath=C:/Kestrix\r"}}))
        << "without the twin, only what the installer lacks is added";
  }
}

TEST(ConfigurationEditTest, AnEditChangesOnlyItsOwnLineInItsCodePage) {
  for (const Sample& s : kSamples) {
    SCOPED_TRACE(s.codePage);
    const std::string text = original(s.homePage, s.region);
    const std::string unedited = saved(s.homePageUtf8, s.regionUtf8);
    // The region takes the home page's characters; the quotes around the old value stay.
    Applied a = apply(text, s.codePage, saved(s.homePageUtf8, s.homePageUtf8), &unedited);
    EXPECT_EQ(a.ok, 1);
    EXPECT_EQ(diff(text, a.text), (Diff{{"Value1 = \"" + s.region + "\"  \r"},
                                        {"Value1 = \"" + s.homePage + "\"  \r"}}));
    // A lock alone changes only the lock line.
    a = apply(text, s.codePage, saved(s.homePageUtf8, s.regionUtf8, "0"), &unedited);
    EXPECT_EQ(diff(text, a.text), (Diff{{"Locked1=1\r"}, {"Locked1=0\r"}}));
  }
}

TEST(ConfigurationEditTest, NewRecordsAreAppendedWithTheCountRaisedAndUnknownOnesStay) {
  const std::string text = original("x", "y");
  const std::string unedited = saved("x", "y");
  const std::string edited = saved("x", "y", "1", "Key3=Quality\r\nValue3=4\r\nLocked3=1\r\n");
  const std::string baseline = saved("x", "y", "1", "Key3=Quality\r\nValue3=3\r\nLocked3=0\r\n");
  Applied a = apply(text, 1252, edited, &baseline);
  EXPECT_EQ(a.ok, 1);
  EXPECT_EQ(
      diff(text, a.text),
      (Diff{{"PrefsCount=2"}, {"PrefsCount=3", "Key3=Quality\r", "Value3=4\r", "Locked3=1\r"}}));
  EXPECT_NE(a.text.find("Key2=Kestrix-Future\r\nValue2=kept\r\n"), std::string::npos);
  EXPECT_NE(a.text.find("FutureKey=unknown to the editor\r\n[future]\r\nx=1\r\n"),
            std::string::npos);
  // A setting of a section the installer lacks opens that section at the end.
  a = apply(text, 1252, unedited + "[qt_preferences]\r\nApplyQTPrefs=1\r\n", &unedited);
  EXPECT_EQ(diff(text, a.text), (Diff{{}, {"\r", "[qt_preferences]\r", "ApplyQTPrefs=1\r"}}));
}

TEST(ConfigurationEditTest, ACharacterTheCodePageCannotHoldIsRefusedWithItsSetting) {
  const std::string text = original("x", "y");
  const std::string unedited = saved("x", "y");
  Applied a = apply(text, 1252, saved("\xD0\x96", "y"), &unedited);
  EXPECT_EQ(a.ok, 0);
  EXPECT_EQ(a.refused, "HomePage");
  EXPECT_EQ(a.text, "");
  a = apply(text, 932, saved("x", "caf\xC3\xA9"), &unedited);
  EXPECT_EQ(a.ok, 0);
  EXPECT_EQ(a.refused, "RegionData");
}

TEST(ConfigurationEditTest, Utf16TextIsEditedInPlaceAndStaysUtf16) {
  auto utf16 = [](const std::u16string& text) {
    std::string out("\xFF\xFE", 2);
    for (const char16_t c : text) {
      out += static_cast<char>(c & 0xFF);
      out += static_cast<char>(c >> 8);
    }
    return out;
  };
  const std::string text = utf16(u"[setup]\r\nHomePage=\u0416\r\nInstallPath=\U0001F3B5\r\n");
  const std::string unedited = "[setup]\r\nHomePage=?\r\n";
  Applied a = apply(text, 1252, unedited, &unedited);
  EXPECT_EQ(a.text, text);
  a = apply(text, 1252, "[setup]\r\nHomePage=\xE2\x82\xAC\xD0\xAF\r\n", &unedited);
  EXPECT_EQ(a.ok, 1);
  EXPECT_EQ(a.text, utf16(u"[setup]\r\nHomePage=\u20AC\u042F\r\nInstallPath=\U0001F3B5\r\n"));
}

TEST(ConfigurationCodePageTest, TheEntrysCodePageElseTheLanguagesAnsiCodePage) {
  EXPECT_EQ(declaredCodePage(0, 1033), 1252u);
  EXPECT_EQ(declaredCodePage(0, 1041), 932u);
  EXPECT_EQ(declaredCodePage(0, 1049), 1251u);
  EXPECT_EQ(declaredCodePage(0, 2052), 936u);
  EXPECT_EQ(declaredCodePage(0, 1028), 950u);
  EXPECT_EQ(declaredCodePage(0, 0x0C1A), 1251u);  // Serbian in Cyrillic
  EXPECT_EQ(declaredCodePage(0, 0x041A), 1250u);  // Croatian
  EXPECT_EQ(declaredCodePage(0, 0), 1252u);
  EXPECT_EQ(declaredCodePage(949, 1033), 949u);
  EXPECT_EQ(declaredCodePage(12345, 1041), 932u) << "a code page nobody can convert is none";
}

}  // namespace
