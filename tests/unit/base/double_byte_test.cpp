#include "base/double_byte.h"

#include <gtest/gtest.h>

#include "base/shared_string.h"

namespace {

// Runs each test with the lead-byte rule of code page 932 and restores the system's rule after.
class DoubleByteTest : public ::testing::Test {
 protected:
  void SetUp() override { dbcs_testing::useLeadByteRule(dbcs_testing::isCodePage932LeadByte); }
  void TearDown() override { dbcs_testing::useLeadByteRule(nullptr); }
};

// "\x95\x5C" is one double-byte character whose trail byte is the separator byte.
constexpr char kTrailSeparator[] = "C:\\dir\\\x95\x5C";

TEST_F(DoubleByteTest, FlagIsOnAndSteppingKeepsCharactersWhole) {
  EXPECT_NE(isDbcsEnabled(), 0);
  const char* text =
      "a\x95\x5C"
      "b";
  EXPECT_EQ(nextChar(text), text + 1);
  EXPECT_EQ(nextChar(text + 1), text + 3);
  EXPECT_EQ(prevChar(text, text + 3), text + 1);
  EXPECT_EQ(prevChar(text, text + 1), text);
  EXPECT_EQ(nextChar(text + 4), text + 5);  // at the terminator: still one byte on
  EXPECT_EQ(nextChar(nullptr), nullptr);
  EXPECT_EQ(prevChar(text, nullptr), nullptr);
}

TEST_F(DoubleByteTest, ALeadByteBeforeTheTerminatorIsOneCharacter) {
  const char* text = "a\x95";
  EXPECT_EQ(nextChar(text + 1), text + 2);
}

TEST_F(DoubleByteTest, TrailByteSeparatorIsNeverFound) {
  SharedString only("\x95\x5C");
  EXPECT_EQ(only.findLastChar('\\'), -1);
  EXPECT_EQ(only.find("\\"), -1);

  SharedString path(kTrailSeparator);
  EXPECT_EQ(path.findLastChar('\\'), 6);
  EXPECT_EQ(path.find("\\"), 2);
}

TEST_F(DoubleByteTest, MatchEndingInsideACharacterIsSkippedAndTheSearchGoesOn) {
  // "x\x95" matches byte-wise at 0 but ends inside the double-byte character; the real
  // occurrence follows later.
  SharedString s("x\x95\x5Cyx\x95");
  EXPECT_EQ(s.find("x\x95"), 4);
  // A match that would start on a trail byte is never considered.
  SharedString t("\x95\x5C\x5C");
  EXPECT_EQ(t.find("\\"), 2);
}

TEST_F(DoubleByteTest, EmptyTextYieldsNothing) {
  EXPECT_EQ(findTextIn("", ""), nullptr);
  EXPECT_EQ(findLastCharIn("", 'a'), nullptr);
}

TEST_F(DoubleByteTest, ReplaceNeverSplitsACharacter) {
  SharedString s("C:\\\x95\x5C\\x");
  EXPECT_EQ(s.replaceText("\\", "/", 1), 1);
  EXPECT_STREQ(s.text(), "C:/\x95\x5C/x");
}

TEST(DoubleByteOff, SearchesAreByteWise) {
  if (isDbcsEnabled()) GTEST_SKIP() << "system code page has double-byte characters";
  SharedString path(kTrailSeparator);
  EXPECT_EQ(path.findLastChar('\\'), 8);
  EXPECT_EQ(path.find("\\"), 2);
  EXPECT_EQ(path.find("\x5C\x95"), 6);
  EXPECT_EQ(path.find("zz"), -1);
  EXPECT_EQ(path.findLastChar('q'), -1);
  EXPECT_EQ(prevChar(path.text(), path.text() + 5), path.text() + 4);
}

}  // namespace
