#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "maintenance/software/product_identity.h"
#include "maintenance/software/software_texts.h"
#include "store/text_convert.h"
#include "tests/support/temp_dir.h"

namespace nubo {
namespace {

std::vector<std::wstring> Keys(const FragmentList& list) {
  std::vector<std::wstring> keys;
  for (const auto& fragment : list) keys.push_back(fragment.key);
  return keys;
}

TEST(ProductIdentity, NameFragmentsFollowTheKeyRules) {
  struct Case {
    std::wstring name;
    std::vector<std::wstring> keys;
  };
  const std::vector<Case> cases = {
      {L"Ex", {}},
      {L"示例", {L"示例"}},
      {L"Example Client", {L"exampleclient", L"example"}},
      {L"Example Tool 3.2 (x64)", {L"exampletool32x64", L"exampletool", L"example", L"tool"}},
      {L"Setup", {}},
      {L"Abc De", {L"abcde"}},
      {L"", {}},
  };
  for (const Case& c : cases) {
    FragmentList list;
    AddNameFragments(list, c.name, "e", kConfidenceHigh);
    EXPECT_EQ(Keys(list), c.keys) << c.name;
  }
  FragmentList list;
  AddNameFragments(list, L"Example Tool 3.2 (x64)", "注册", kConfidenceHigh);
  EXPECT_EQ(list[0].evidence, "注册");
  EXPECT_EQ(list[2].evidence, "注册（名称片段）");
  EXPECT_EQ(list[2].confidence, kConfidenceMedium);
  FragmentList pairs;
  AddNameFragments(pairs, L"Alpha Beta Gamma", "x", kConfidenceHigh);
  EXPECT_EQ(Keys(pairs), (std::vector<std::wstring>{L"alphabetagamma", L"alpha", L"alphabeta", L"beta",
                                                    L"betagamma", L"gamma"}));
  EXPECT_EQ(pairs[2].evidence, "x（相邻名称片段）");
}

TEST(ProductIdentity, AFragmentIsRaisedToHighButNeverLowered) {
  FragmentList raised;
  AddIdentityFragment(raised, L"Example", "first", kConfidenceMedium);
  AddIdentityFragment(raised, L"EXAMPLE", "second", kConfidenceHigh);
  AddIdentityFragment(raised, L"example", "third", kConfidenceHigh);
  ASSERT_EQ(raised.size(), 1u);
  EXPECT_EQ(raised[0].evidence, "second");
  EXPECT_EQ(raised[0].confidence, kConfidenceHigh);
  FragmentList kept;
  AddIdentityFragment(kept, L"Example", "first", kConfidenceHigh);
  AddIdentityFragment(kept, L"Example", "second", kConfidenceMedium);
  EXPECT_EQ(kept[0].evidence, "first");
  EXPECT_EQ(kept[0].confidence, kConfidenceHigh);
  EXPECT_EQ(FindIdentityFragment(L"ex-AMPLE", kept), &kept[0]);
  EXPECT_EQ(FindIdentityFragment(L"--", kept), nullptr);
}

TEST(ProductIdentity, SuffixesStemsAndThePublisherRemoval) {
  struct Trim {
    std::wstring in, out;
  };
  for (const Trim& c : std::vector<Trim>{{L"Example Tool 3.2 (x64)", L"Example Tool"},
                                         {L"Ab(x)", L"Ab(x)"},
                                         {L"Abc(x)", L"Abc"},
                                         {L"X 2", L"X"},
                                         {L" 2x", L" 2x"},
                                         {L"Name - 2024", L"Name"},
                                         {L"Tool_ -  ", L"Tool"},
                                         {L"Tool2 x", L"Tool2 x"}}) {
    EXPECT_EQ(TrimDisplayNameSuffix(c.in), c.out) << c.in;
  }
  EXPECT_EQ(FileStem(L"C:\\a\\b.tar.gz"), L"b");
  EXPECT_EQ(FileStem(L"C:\\a\\.hidden"), L"");
  EXPECT_EQ(FileStem(L"noext"), L"noext");

  RegisteredSoftware program;
  program.id = "HKLM|64|ExampleStudioKey";
  program.displayName = "Example Studio";
  program.publisher = "Example";
  const ProductIdentity identity = CollectProductIdentity(program);
  EXPECT_EQ(Keys(identity.productFragments),
            (std::vector<std::wstring>{L"examplestudio", L"studio", L"examplestudiokey"}));
  EXPECT_EQ(Keys(identity.publisherFragments), std::vector<std::wstring>{L"example"});
}

std::wstring CopiedProgram(const testing::TempDir& temp, const char* name) {
  const std::wstring from = Utf8ToUtf16(std::string(NUBO_BINARY_DIR) + "/tests/maintenance/software/" + name);
  const std::wstring to = temp.file(Utf8ToUtf16(name));
  EXPECT_TRUE(CopyFileW(from.c_str(), to.c_str(), FALSE)) << name;
  return to;
}

TEST(ProductIdentity, VersionStringsComeFromTheFirstTranslation) {
  testing::TempDir temp;
  const std::wstring en = CopiedProgram(temp, "version_en.exe");
  const std::wstring zh = CopiedProgram(temp, "version_zh.exe");
  const std::wstring none = CopiedProgram(temp, "version_none.exe");
  EXPECT_EQ(ReadVersionString(en, L"ProductName"), L"Example Tool");
  EXPECT_EQ(ReadVersionString(en, L"CompanyName"), L"Example Works");
  EXPECT_EQ(ReadVersionString(en, L"Comments"), L"");
  EXPECT_EQ(ReadVersionString(en, L"LegalCopyright"), L"");
  EXPECT_EQ(ReadVersionString(zh, L"ProductName"), L"示例工具");
  EXPECT_EQ(ReadVersionString(none, L"ProductName"), L"");
  EXPECT_EQ(ReadVersionString(temp.file(L"missing.exe"), L"ProductName"), L"");

  RegisteredSoftware program;
  program.id = "HKCU|64|{0A1B}";
  program.displayName = "ET";
  program.publisher = "Example Works";
  program.mainExecutablePath = en;
  const ProductIdentity product = CollectProductIdentity(program);
  // From the stem, the product name and the description; the company's words go.
  EXPECT_EQ(Keys(product.productFragments),
            (std::vector<std::wstring>{L"0a1b", L"versionen", L"version", L"exampletool", L"tool",
                                       L"exampletoolmainprogram", L"toolmain", L"main", L"mainprogram"}));
  EXPECT_EQ(product.productFragments[3].evidence, kEvidenceProductName);

  const RegistrationIdentity registration = CollectRegistryIdentity(program);
  EXPECT_EQ(registration.mainExecutable, en);
  EXPECT_TRUE(IsProductShortcutTarget(en, registration));
  EXPECT_FALSE(IsProductShortcutTarget(zh, registration));
  EXPECT_FALSE(IsProductShortcutTarget(temp.path(), registration));
}

}  // namespace
}  // namespace nubo
