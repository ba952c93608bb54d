#include "base/shared_string.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string str(const SharedString& s) {
  return std::string(s.text(), static_cast<size_t>(s.length()));
}

TEST(SharedStringEmpty, NullAndEmptyTextsShareTheStaticEmptyBlock) {
  SharedString a;
  SharedString b(nullptr);
  SharedString c("");
  for (const SharedString* s : {&a, &b, &c}) {
    EXPECT_TRUE(s->usesSharedEmpty());
    EXPECT_EQ(s->length(), 0);
    EXPECT_STREQ(s->text(), "");
    EXPECT_EQ(s->refCount(), SharedString::kEmptyMarker);
  }
  {
    std::vector<SharedString> copies(100, a);
    SharedString d;
    d = b;
    d = c;
    d.clear();
  }
  EXPECT_EQ(a.refCount(), SharedString::kEmptyMarker);
  EXPECT_EQ(SharedString::kEmptyMarker, -2000000000);
}

TEST(SharedStringEmpty, ConcatOfTwoEmptiesAllocatesNothing) {
  SharedString a, b;
  EXPECT_TRUE(concat(a, b).usesSharedEmpty());
  EXPECT_TRUE(concat(a, static_cast<const char*>(nullptr)).usesSharedEmpty());
}

TEST(SharedStringEmpty, AssigningEmptyKeepsAPrivateBlockButDropsASharedOne) {
  SharedString priv("abc");
  priv.assign(SharedString());
  EXPECT_FALSE(priv.usesSharedEmpty());
  EXPECT_EQ(priv.length(), 0);
  EXPECT_STREQ(priv.text(), "");

  SharedString shared("abc");
  SharedString other(shared);
  shared.assign(SharedString());
  EXPECT_TRUE(shared.usesSharedEmpty());
  EXPECT_EQ(str(other), "abc");

  // The assignment operator follows the same rule, from a named string or a temporary.
  SharedString target("abc");
  const SharedString empty;
  target = empty;
  EXPECT_FALSE(target.usesSharedEmpty());
  EXPECT_EQ(target.capacity(), 32);
  target.assign("abc");
  target = SharedString();
  EXPECT_FALSE(target.usesSharedEmpty());
  EXPECT_EQ(target.length(), 0);
  EXPECT_STREQ(target.text(), "");

  SharedString held("abc");
  SharedString holder(held);
  held = SharedString();
  EXPECT_TRUE(held.usesSharedEmpty());
  EXPECT_EQ(str(holder), "abc");
  EXPECT_EQ(holder.refCount(), 1);
}

TEST(SharedStringCapacity, GrowthRuleForNewTexts) {
  struct Case {
    int length;
    int capacity;
  } cases[] = {{1, 32}, {16, 32}, {17, 34}, {100, 200}, {2047, 4094}, {2048, 2064}, {5000, 5016}};
  for (const auto& c : cases) {
    SharedString s(std::string(static_cast<size_t>(c.length), 'x').c_str());
    EXPECT_EQ(s.capacity(), c.capacity) << c.length;
    EXPECT_EQ(s.length(), c.length);
  }
}

TEST(SharedStringCapacity, AppendBeyondCapacityMovesToAGrownBlock) {
  SharedString s;
  s.assign(std::string(32, 'a').c_str());  // assign uses an exact block
  EXPECT_EQ(s.capacity(), 32);
  s.append('b');
  EXPECT_EQ(s.capacity(), 66);
  EXPECT_EQ(s.length(), 33);
  EXPECT_EQ(str(s), std::string(32, 'a') + "b");
}

TEST(SharedStringCapacity, AppendWithRoomWorksInPlace) {
  SharedString s("abc");  // capacity 32
  const char* before = s.text();
  s.append("def");
  EXPECT_EQ(s.text(), before);
  EXPECT_EQ(str(s), "abcdef");
}

TEST(SharedStringSharing, CopiesShareOneBlockAndCountIt) {
  SharedString a("hello");
  EXPECT_EQ(a.refCount(), 1);
  {
    SharedString b(a);
    SharedString c;
    c = a;
    EXPECT_TRUE(b.sharesBlockWith(a));
    EXPECT_TRUE(c.sharesBlockWith(a));
    EXPECT_EQ(a.refCount(), 3);
  }
  EXPECT_EQ(a.refCount(), 1);
}

TEST(SharedStringSharing, EveryMutationOfASharedBlockLeavesTheOtherCopiesAlone) {
  const SharedString original("shared text");
  std::vector<std::pair<const char*, void (*)(SharedString&)>> mutations = {
      {"append text", [](SharedString& s) { s.append("!"); }},
      {"append string", [](SharedString& s) { s.append(SharedString("?")); }},
      {"append char", [](SharedString& s) { s.append('c'); }},
      {"assign text", [](SharedString& s) { s.assign("other"); }},
      {"assign shorter", [](SharedString& s) { s.assign("x"); }},
      {"clear", [](SharedString& s) { s.clear(); }},
      {"replaceText", [](SharedString& s) { s.replaceText("text", "TEXT", 1); }},
      {"openBuffer/closeBuffer",
       [](SharedString& s) {
         char* p = s.openBuffer(20);
         p[0] = 'Z';
         s.closeBuffer(-1);
       }},
      {"closeBuffer only", [](SharedString& s) { s.closeBuffer(3); }},
      {"formatString", [](SharedString& s) { formatString(s, "%d", 42); }},
  };
  for (const auto& [name, mutate] : mutations) {
    SharedString copy(original);
    mutate(copy);
    EXPECT_EQ(str(original), "shared text") << name;
    EXPECT_EQ(original.refCount(), 1) << name;
  }
}

TEST(SharedStringSharing, SelfAssignAndSelfAppend) {
  SharedString s("ab");
  s = s;
  EXPECT_EQ(str(s), "ab");
  s.assign(s.text());
  EXPECT_EQ(str(s), "ab");
  s.append(s);
  EXPECT_EQ(str(s), "abab");
  s.append(s.text() + 1);
  EXPECT_EQ(str(s), "ababbab");

  SharedString full;
  full.assign(std::string(32, 'q').c_str());  // full block: self-append must reallocate
  full.append(full);
  EXPECT_EQ(str(full), std::string(64, 'q'));
}

TEST(SharedStringSharing, CountsAreAtomicAcrossThreads) {
  SharedString s("counted across threads");
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&s] {
      for (int i = 0; i < 20000; ++i) {
        SharedString copy(s);
        SharedString another = copy;
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(s.refCount(), 1);
}

TEST(SharedStringSlices, BoundsAreClamped) {
  const SharedString abc("abc");
  EXPECT_TRUE(abc.leftPart(0).usesSharedEmpty());
  EXPECT_EQ(str(abc.leftPart(2)), "ab");
  EXPECT_EQ(str(abc.leftPart(100)), "abc");
  EXPECT_EQ(str(abc.subString(1, 100)), "bc");
  EXPECT_EQ(str(abc.subString(1, 1)), "b");
  EXPECT_EQ(str(abc.subString(0)), "abc");
  EXPECT_TRUE(abc.subString(3).usesSharedEmpty());
  EXPECT_TRUE(abc.subString(5).usesSharedEmpty());
  EXPECT_EQ(abc.subString(1).capacity(), 32);
}

TEST(SharedStringConcat, TextsAndCharactersAndNulls) {
  const SharedString a("C:");
  EXPECT_EQ(str(a + "\\x"), "C:\\x");
  EXPECT_EQ(str(a + '\\'), "C:\\");
  EXPECT_EQ(str(a + SharedString("y")), "C:y");
  EXPECT_EQ(str(concat(a, static_cast<const char*>(nullptr))), "C:");
  SharedString s("x");
  s.append(static_cast<const char*>(nullptr)).append("");
  EXPECT_EQ(str(s), "x");
}

TEST(SharedStringReplace, ReplacesFirstOrEveryOccurrenceWithoutRescanningInsertedText) {
  struct Case {
    const char* text;
    const char* oldText;
    const char* newText;
    int all;
    int result;
    const char* expected;
  } cases[] = {
      {"C:\\a\\b", "\\", "/", 1, 1, "C:/a/b"},
      {"abc", "\\", "/", 1, 0, "abc"},
      {"x.y.z", ".", "-", 0, 1, "x-y.z"},
      {"aaa", "aa", "b", 1, 1, "ba"},
      {"aa", "a", "aa", 1, 1, "aaaa"},
      {"var serverData=[];var serverData=[];", "var serverData=[];", "X", 0, 1,
       "Xvar serverData=[];"},
      {"abc", "abc", "", 1, 1, ""},
  };
  for (const auto& c : cases) {
    SharedString s(c.text);
    EXPECT_EQ(s.replaceText(c.oldText, c.newText, c.all), c.result) << c.text;
    EXPECT_EQ(str(s), c.expected) << c.text;
  }
  SharedString s("abc");
  EXPECT_EQ(s.replaceText(nullptr, "x", 1), 0);
  EXPECT_EQ(s.replaceText("a", nullptr, 1), 0);
  EXPECT_EQ(s.replaceText("", "x", 1), 0);
  EXPECT_EQ(s.replaceText("", "x", 0), 0);
  EXPECT_EQ(str(s), "abc");
}

TEST(SharedStringBuffer, OpenBufferThenCloseMeasuresTheText) {
  SharedString s;
  char* p = s.openBuffer(261);
  EXPECT_STREQ(p, "");
  EXPECT_GE(s.capacity(), 261);
  std::memcpy(p, "0123456789", 11);
  s.closeBuffer(-1);
  EXPECT_EQ(s.length(), 10);
  EXPECT_EQ(str(s), "0123456789");

  SharedString kept("keep");
  p = kept.openBuffer(100);
  EXPECT_STREQ(p, "keep");
  kept.closeBuffer(2);
  EXPECT_EQ(str(kept), "ke");

  SharedString empty;
  empty.closeBuffer(-1);
  EXPECT_TRUE(empty.usesSharedEmpty());
}

TEST(SharedStringFormat, FormatsAndReplacesTheTarget) {
  SharedString s("old contents");
  formatString(s, "%s%c%s", "C:\\a", '\\', "b");
  EXPECT_EQ(str(s), "C:\\a\\b");
  formatString(s, "%d-%d", -5, 12);
  EXPECT_EQ(str(s), "-5-12");
}

TEST(SharedStringFormat, ArgumentsMayComeFromTheTargetItself) {
  SharedString s;
  s.openBuffer(600);
  s.closeBuffer(0);
  s.append("abc");  // a private block with room: formatting must not write over its own input
  formatString(s, "%s-%s", s.text(), s.text());
  EXPECT_EQ(str(s), "abc-abc");
  const std::string longText(700, 'L');
  s.assign(longText.c_str());
  formatString(s, "[%s]", s.text());
  EXPECT_EQ(str(s), "[" + longText + "]");
}

TEST(SharedStringFormat, LongTextsGrowTheTargetInsteadOfBeingCut) {
  const std::string key(300, 'k');
  const std::string value(2000, 'v');
  SharedString s;
  formatString(s, "p[\"%s\"]=\"%s\";", key.c_str(), value.c_str());
  const std::string expected = "p[\"" + key + "\"]=\"" + value + "\";";
  EXPECT_EQ(str(s), expected);
  EXPECT_EQ(s.length(), static_cast<int>(expected.size()));

  const std::string exact(512, 'e');
  formatString(s, "%s", exact.c_str());
  EXPECT_EQ(str(s), exact);
  formatString(s, "%s!", exact.c_str());
  EXPECT_EQ(str(s), exact + "!");
}

}  // namespace
