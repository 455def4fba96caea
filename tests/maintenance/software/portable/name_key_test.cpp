#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "maintenance/software/name_key.h"

namespace nubo {
namespace {

TEST(NameKey, KeepsDigitsLatinLettersAndIdeographsOnly) {
  struct Case {
    std::u16string text;
    std::u16string key;
  };
  const std::vector<Case> cases = {
      {u"Example App 2.0", u"exampleapp20"},
      {u"Example Tool 3.2 (x64)", u"exampletool32x64"},
      // Range edges: / : @ [ ` { around the ASCII ranges; U+33FF, U+A000,
      // U+F8FF and U+FB00 just outside the ideographs.
      {u"/09:@AZ[`az{", u"09azaz"},
      {u"\u33FF\u3400\u9FFF\uA000\uF8FF\uF900\uFAFF\uFB00", u"\u3400\u9FFF\uF900\uFAFF"},
      // Only A-Z is lowered: accented and full-width letters are dropped, not folded.
      {u"\u00C9cole \uFF21pp", u"colepp"},
      {u"", u""},
  };
  for (const Case& c : cases) EXPECT_EQ(NormalizeNameKey(c.text), c.key);
}

TEST(NameKey, TokensAreTheKeptRunsInTheirOwnCase) {
  EXPECT_EQ(SplitNameTokens(u"Example App"), (std::vector<std::u16string>{u"Example", u"App"}));
  EXPECT_EQ(SplitNameTokens(u"--A.b  示例--"), (std::vector<std::u16string>{u"A", u"b", u"示例"}));
  EXPECT_TRUE(SplitNameTokens(u" .- ").empty());
}

TEST(NameKey, AcceptsFourUnitsOrAnIdeographButNoGenericWord) {
  struct Case {
    std::u16string key;
    bool accepted;
  };
  const std::vector<Case> cases = {
      {u"", false},         {u"ab", false},      {u"abc", false},     {u"abcd", true},
      {u"示例", true},      {u"a\u3400", true},  {u"client", false},  {u"technologies", false},
      {u"有限公司", false}, {u"x64", false},     {u"clients", true},  {u"软件a", true},
  };
  for (const Case& c : cases) EXPECT_EQ(IsAcceptedNameKey(c.key), c.accepted) << std::string(c.key.begin(), c.key.end());
}

}  // namespace
}  // namespace nubo
