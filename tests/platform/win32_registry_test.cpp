#include "platform/win32/win32_registry.h"

#include <windows.h>
#include <gtest/gtest.h>

#include <cstdio>

#include "runtime/exceptions.h"

namespace {

using platform::RootKey;
using platform::Win32Registry;

// Each test starts and ends without the test keys.
class Win32RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { TearDown(); }
  void TearDown() override {
    Reg.DeleteKey(RootKey::CurrentUser, "Software\\VeltoTest");
    Reg.DeleteKey(RootKey::LocalMachine, "SOFTWARE\\VeltoTest");
  }
  Win32Registry Reg;
};

// What another process (Wine's reg.exe) sees of a value.
std::string RegQuery(const std::string& Key, const std::string& Value) {
  std::string cmd = "reg.exe query \"" + Key + "\" /v " + Value + " 2>&1";
  FILE* p = _popen(cmd.c_str(), "r");
  if (!p) return "";
  std::string out;
  char buf[256];
  while (size_t n = std::fread(buf, 1, sizeof buf, p)) out.append(buf, n);
  _pclose(p);
  return out;
}

TEST_F(Win32RegistryTest, StringsRoundTripUnderCurrentUser) {
  EXPECT_EQ(Reg.OpenKey(RootKey::CurrentUser, "Software\\VeltoTest", false), nullptr);
  EXPECT_FALSE(Reg.KeyExists(RootKey::CurrentUser, "Software\\VeltoTest"));
  {
    auto key = Reg.OpenKey(RootKey::CurrentUser, "\\Software\\VeltoTest\\Deep\\Er", true);
    ASSERT_NE(key, nullptr);
    key->WriteString("Cognome", "Rossi");
    key->WriteString("Citta", "Città");
    key->WriteString("Vuoto", "");
    key->WriteString("", "default");
  }
  EXPECT_TRUE(Reg.KeyExists(RootKey::CurrentUser, "Software\\VeltoTest\\Deep"));
  auto key = Reg.OpenKey(RootKey::CurrentUser, "software\\veltotest\\deep\\er", false);
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->ReadString("Cognome"), "Rossi");
  EXPECT_EQ(key->ReadString("Citta"), "Città");
  EXPECT_TRUE(key->ValueExists("Vuoto"));
  EXPECT_EQ(key->ReadString("Vuoto"), "");
  EXPECT_EQ(key->ReadString(""), "default");
  EXPECT_FALSE(key->ValueExists("Nome"));
  EXPECT_EQ(key->ReadString("Nome"), "");
}

TEST_F(Win32RegistryTest, RecordUnderLocalMachineIsSeenByAnotherProcess) {
  {
    auto key = Reg.OpenKey(RootKey::LocalMachine, "\\SOFTWARE\\VeltoTest\\Agent", true);
    ASSERT_NE(key, nullptr);
    key->WriteString("RootDir", "c:\\programmi\\brovik\\agent\\velto.exe");
    key->WriteString("Maschio", "True");
    key->Close();
    EXPECT_THROW(key->WriteString("Tel", "1"), ERegistryException);  // closed
  }
  std::string out = RegQuery("HKLM\\SOFTWARE\\VeltoTest\\Agent", "RootDir");
  EXPECT_NE(out.find("REG_SZ"), std::string::npos) << out;
  EXPECT_NE(out.find("c:\\programmi\\brovik\\agent\\velto.exe"), std::string::npos) << out;
}

TEST_F(Win32RegistryTest, NonStringValueFailsWithExactMessage) {
  auto key = Reg.OpenKey(RootKey::CurrentUser, "Software\\VeltoTest", true);
  ASSERT_NE(key, nullptr);
  key->WriteInteger("Eta", 42);
  try {
    key->ReadString("Eta");
    FAIL() << "no exception";
  } catch (const ERegistryException& e) {
    EXPECT_STREQ(e.what(), "Invalid data type for 'Eta'");
  }
  HKEY raw;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\VeltoTest", 0, KEY_ALL_ACCESS, &raw), ERROR_SUCCESS);
  const BYTE bytes[] = {1, 2, 3};
  RegSetValueExA(raw, "Bin", 0, REG_BINARY, bytes, sizeof bytes);
  const char expand[] = "%TEMP%\\x";
  RegSetValueExA(raw, "Expand", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(expand), sizeof expand);
  DWORD dword = 7;
  RegSetValueExA(raw, "Num", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dword), sizeof dword);
  RegCloseKey(raw);
  EXPECT_THROW(key->ReadString("Bin"), ERegistryException);
  EXPECT_EQ(key->ReadString("Expand"), "%TEMP%\\x");  // an expandable string is still a string, unexpanded
  try {
    key->ReadString("Num");
    FAIL() << "no exception";
  } catch (const ERegistryException& e) {
    EXPECT_STREQ(e.what(), "Invalid data type for 'Num'");
  }
}

TEST_F(Win32RegistryTest, WriteIntegerStoresADword) {
  auto key = Reg.OpenKey(RootKey::CurrentUser, "Software\\VeltoTest", true);
  key->WriteInteger("n", 0xDEADBEEF);
  HKEY raw;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\VeltoTest", 0, KEY_READ, &raw), ERROR_SUCCESS);
  DWORD type = 0, value = 0, size = sizeof value;
  EXPECT_EQ(RegQueryValueExA(raw, "n", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size), ERROR_SUCCESS);
  RegCloseKey(raw);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(value, 0xDEADBEEFu);
}

TEST_F(Win32RegistryTest, WriteRefusedBySystemFailsWithExactMessage) {
  // The system refuses to set a value in a key deleted under an open handle.
  auto key = Reg.OpenKey(RootKey::CurrentUser, "Software\\VeltoTest\\Gone", true);
  ASSERT_NE(key, nullptr);
  ASSERT_TRUE(Reg.DeleteKey(RootKey::CurrentUser, "Software\\VeltoTest\\Gone"));
  try {
    key->WriteString("Tel", "333");
    FAIL() << "no exception";
  } catch (const ERegistryException& e) {
    EXPECT_STREQ(e.what(), "Failed to set data for 'Tel'");
  }
}

TEST_F(Win32RegistryTest, DeleteKeyRemovesSubkeysAndValues) {
  {
    auto a = Reg.OpenKey(RootKey::CurrentUser, "Software\\VeltoTest\\A\\B\\C", true);
    a->WriteString("x", "1");
    auto d = Reg.OpenKey(RootKey::CurrentUser, "Software\\VeltoTest\\D", true);
    d->WriteString("y", "2");
  }
  auto top = Reg.OpenKey(RootKey::CurrentUser, "Software\\VeltoTest", false);
  ASSERT_NE(top, nullptr);
  auto names = top->SubKeyNames();
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"A", "D"}));
  top->Close();
  EXPECT_TRUE(Reg.DeleteKey(RootKey::CurrentUser, "\\Software\\VeltoTest"));
  EXPECT_FALSE(Reg.KeyExists(RootKey::CurrentUser, "Software\\VeltoTest\\A\\B\\C"));
  EXPECT_FALSE(Reg.KeyExists(RootKey::CurrentUser, "Software\\VeltoTest"));
  EXPECT_TRUE(Reg.KeyExists(RootKey::CurrentUser, "Software"));
  EXPECT_FALSE(Reg.DeleteKey(RootKey::CurrentUser, "Software\\VeltoTest"));  // gone already
  EXPECT_FALSE(Reg.DeleteKey(RootKey::CurrentUser, ""));                     // never a root
}

TEST_F(Win32RegistryTest, DeleteValueReportsWhetherItExisted) {
  auto key = Reg.OpenKey(RootKey::CurrentUser, "Software\\VeltoTest", true);
  key->WriteString("v", "1");
  EXPECT_TRUE(key->DeleteValue("v"));
  EXPECT_FALSE(key->ValueExists("v"));
  EXPECT_FALSE(key->DeleteValue("v"));
}

TEST_F(Win32RegistryTest, LongStringsRoundTrip) {
  auto key = Reg.OpenKey(RootKey::CurrentUser, "Software\\VeltoTest", true);
  std::string text(5000, 'x');
  text[4999] = 'y';
  key->WriteString("long", text);
  EXPECT_EQ(key->ReadString("long"), text);
}

}  // namespace
