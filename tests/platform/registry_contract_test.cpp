// What the logic relies on from any registry, checked against the one of the
// system the tests run on (the host's in-memory registry on Linux, Win32
// under Wine), so that the host registry the tests decorate behaves as the
// real one.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "runtime/exceptions.h"
#include "tests/platform/registry_root.h"

namespace {

using platform::RootKey;

constexpr RootKey kRoot = RootKey::CurrentUser;
const std::string kBase = "Software\\VeltoContract";

class RegistryContract : public ::testing::Test {
 protected:
  void SetUp() override { Reg->DeleteKey(kRoot, kBase); }
  void TearDown() override { Reg->DeleteKey(kRoot, kBase); }

  std::unique_ptr<platform::IRegistryKey> Open(const std::string& Sub, bool Create = true) {
    return Reg->OpenKey(kRoot, kBase + "\\" + Sub, Create);
  }

  std::unique_ptr<platform::IRegistry> Reg = testplatform::MakeRegistry();
};

TEST_F(RegistryContract, OpenWithoutCreateFindsOnlyExistingKeysAndCreateMakesParents) {
  EXPECT_EQ(Open("a\\b", false), nullptr);
  EXPECT_FALSE(Reg->KeyExists(kRoot, kBase + "\\a"));
  ASSERT_NE(Open("a\\b"), nullptr);
  EXPECT_TRUE(Reg->KeyExists(kRoot, kBase + "\\a"));
  EXPECT_TRUE(Reg->KeyExists(kRoot, kBase + "\\a\\b"));
  EXPECT_NE(Open("a\\b", false), nullptr);
}

// Paths and names as the installer writes them: other letter case, with and
// without the leading backslash.
TEST_F(RegistryContract, PathsAndNamesIgnoreLetterCaseAndALeadingBackslash) {
  Open("Agent")->WriteString("RootDir", "c:\\programmi\\velto.exe");
  const std::vector<std::string> spellings = {kBase + "\\Agent", "\\" + kBase + "\\AGENT",
                                              "SOFTWARE\\veltocontract\\agent"};
  for (const std::string& path : spellings) {
    SCOPED_TRACE(path);
    auto key = Reg->OpenKey(kRoot, path, false);
    ASSERT_NE(key, nullptr);
    EXPECT_TRUE(key->ValueExists("rootdir"));
    EXPECT_EQ(key->ReadString("ROOTDIR"), "c:\\programmi\\velto.exe");
  }
}

TEST_F(RegistryContract, StringsRoundTripAndAMissingValueReadsEmpty) {
  const std::vector<std::pair<std::string, std::string>> values = {
      {"", "default value"}, {"Città", "Città"}, {"empty", ""}, {"long", std::string(5000, 'x')}};
  {
    auto key = Open("k");
    for (const auto& [name, text] : values) key->WriteString(name, text);
  }
  auto key = Open("k", false);
  ASSERT_NE(key, nullptr);
  for (const auto& [name, text] : values) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(key->ValueExists(name));
    EXPECT_EQ(key->ReadString(name), text);
  }
  EXPECT_FALSE(key->ValueExists("none"));
  EXPECT_EQ(key->ReadString("none"), "");
}

TEST_F(RegistryContract, NumberReadAsStringFailsWithItsName) {
  auto key = Open("k");
  key->WriteInteger("Count", 7);
  EXPECT_TRUE(key->ValueExists("Count"));
  try {
    key->ReadString("Count");
    ADD_FAILURE() << "no exception";
  } catch (const ERegistryException& e) {
    EXPECT_STREQ(e.what(), "Invalid data type for 'Count'");
  }
  // A string written over the number reads back.
  key->WriteString("Count", "8");
  EXPECT_EQ(key->ReadString("Count"), "8");
}

TEST_F(RegistryContract, DeleteValueAndDeleteKeyReportWhetherSomethingWent) {
  Open("k\\sub\\deeper")->WriteString("v", "1");
  auto key = Open("k");
  key->WriteString("v", "1");
  EXPECT_TRUE(key->DeleteValue("V"));
  EXPECT_FALSE(key->DeleteValue("v"));
  EXPECT_EQ(key->SubKeyNames(), std::vector<std::string>{"sub"});
  key->Close();
  EXPECT_TRUE(Reg->DeleteKey(kRoot, kBase + "\\k"));
  EXPECT_FALSE(Reg->KeyExists(kRoot, kBase + "\\k\\sub\\deeper"));
  EXPECT_FALSE(Reg->KeyExists(kRoot, kBase + "\\k"));
  EXPECT_TRUE(Reg->KeyExists(kRoot, kBase));
  EXPECT_FALSE(Reg->DeleteKey(kRoot, kBase + "\\k"));
}

TEST_F(RegistryContract, ReadOnlyOpenReadsExistingKeysAndRefusesWrites) {
  EXPECT_EQ(Reg->OpenKeyReadOnly(kRoot, kBase + "\\Agent"), nullptr);
  EXPECT_FALSE(Reg->KeyExists(kRoot, kBase + "\\Agent"));
  Open("Agent")->WriteString("RootDir", "c:\\velto.exe");
  auto key = Reg->OpenKeyReadOnly(kRoot, "\\" + kBase + "\\Agent");
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->ReadString("RootDir"), "c:\\velto.exe");
  EXPECT_THROW(key->WriteString("RootDir", "altro"), ERegistryException);
  EXPECT_FALSE(key->DeleteValue("RootDir"));
  EXPECT_EQ(Open("Agent", false)->ReadString("RootDir"), "c:\\velto.exe");
}

TEST_F(RegistryContract, SubKeyNamesListsDirectChildrenOnly) {
  for (const char* sub : {"k\\b", "k\\a\\x", "k\\c"}) Open(sub);
  std::vector<std::string> names = Open("k")->SubKeyNames();
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"a", "b", "c"}));
}

}  // namespace
