#include "platform/host/host_registry.h"

#include <gtest/gtest.h>

#include "runtime/exceptions.h"
#include "tests/support/temp_dir.h"

namespace {

using platform::HostRegistry;
using platform::RootKey;

TEST(HostRegistry, OpenWithoutCreateFailsForMissingKeyAndCreateMakesParents) {
  HostRegistry reg;
  EXPECT_EQ(reg.OpenKey(RootKey::LocalMachine, "\\SOFTWARE\\BROVIK\\Agent", false), nullptr);
  EXPECT_FALSE(reg.KeyExists(RootKey::LocalMachine, "SOFTWARE"));
  ASSERT_NE(reg.OpenKey(RootKey::LocalMachine, "\\SOFTWARE\\BROVIK\\Agent", true), nullptr);
  EXPECT_TRUE(reg.KeyExists(RootKey::LocalMachine, "SOFTWARE\\BROVIK"));
  // The leading backslash does not matter, and names ignore letter case.
  EXPECT_TRUE(reg.KeyExists(RootKey::LocalMachine, "software\\brovik\\AGENT"));
  EXPECT_NE(reg.OpenKey(RootKey::LocalMachine, "Software\\Brovik\\Agent", false), nullptr);
  // Roots are separate trees.
  EXPECT_FALSE(reg.KeyExists(RootKey::CurrentUser, "SOFTWARE\\BROVIK\\Agent"));
}

TEST(HostRegistry, StringsRoundTripAndMissingValueReadsEmpty) {
  HostRegistry reg;
  auto key = reg.OpenKey(RootKey::LocalMachine, "\\SOFTWARE\\BROVIK\\Agent", true);
  key->WriteString("Cognome", "Rossi");
  key->WriteString("Citta", "Città");
  key->WriteString("Vuoto", "");
  EXPECT_EQ(key->ReadString("Cognome"), "Rossi");
  EXPECT_EQ(key->ReadString("cognome"), "Rossi");
  EXPECT_EQ(key->ReadString("Citta"), "Città");
  EXPECT_TRUE(key->ValueExists("Vuoto"));
  EXPECT_EQ(key->ReadString("Vuoto"), "");
  EXPECT_FALSE(key->ValueExists("Nome"));
  EXPECT_EQ(key->ReadString("Nome"), "");
  key->WriteString("Cognome", "Bianchi");  // overwritten in place
  EXPECT_EQ(key->ReadString("Cognome"), "Bianchi");
  // A second handle on the same key sees the values.
  auto again = reg.OpenKey(RootKey::LocalMachine, "SOFTWARE\\BROVIK\\Agent", false);
  EXPECT_EQ(again->ReadString("Cognome"), "Bianchi");
}

TEST(HostRegistry, NumberValueReadAsStringFailsWithItsName) {
  HostRegistry reg;
  auto key = reg.OpenKey(RootKey::CurrentUser, "Software\\VeltoTest", true);
  key->WriteInteger("Maschio", 1);
  try {
    key->ReadString("Maschio");
    FAIL() << "no exception";
  } catch (const ERegistryException& e) {
    EXPECT_STREQ(e.what(), "Invalid data type for 'Maschio'");
  }
  // Written as a string again, it reads normally.
  key->WriteString("Maschio", "True");
  EXPECT_EQ(key->ReadString("Maschio"), "True");
}

TEST(HostRegistry, DeleteValueReportsWhetherItExisted) {
  HostRegistry reg;
  auto key = reg.OpenKey(RootKey::CurrentUser, "Software\\VeltoTest", true);
  key->WriteString("a", "1");
  EXPECT_TRUE(key->DeleteValue("A"));
  EXPECT_FALSE(key->ValueExists("a"));
  EXPECT_FALSE(key->DeleteValue("a"));
}

TEST(HostRegistry, DeleteKeyRemovesSubkeysAndOpenHandlesStopWorking) {
  HostRegistry reg;
  auto top = reg.OpenKey(RootKey::CurrentUser, "Software\\VeltoTest", true);
  auto deep = reg.OpenKey(RootKey::CurrentUser, "Software\\VeltoTest\\A\\B", true);
  reg.OpenKey(RootKey::CurrentUser, "Software\\VeltoTest\\C", true);
  deep->WriteString("x", "1");
  EXPECT_EQ(top->SubKeyNames(), (std::vector<std::string>{"A", "C"}));
  EXPECT_TRUE(reg.DeleteKey(RootKey::CurrentUser, "\\Software\\VeltoTest"));
  EXPECT_FALSE(reg.KeyExists(RootKey::CurrentUser, "Software\\VeltoTest\\A\\B"));
  EXPECT_FALSE(reg.KeyExists(RootKey::CurrentUser, "Software\\VeltoTest"));
  EXPECT_TRUE(reg.KeyExists(RootKey::CurrentUser, "Software"));
  EXPECT_FALSE(reg.DeleteKey(RootKey::CurrentUser, "Software\\VeltoTest"));
  // A handle on a deleted key reads nothing and cannot write.
  EXPECT_EQ(deep->ReadString("x"), "");
  EXPECT_THROW(deep->WriteString("x", "2"), ERegistryException);
  // A new key of the same name starts empty.
  auto fresh = reg.OpenKey(RootKey::CurrentUser, "Software\\VeltoTest\\A\\B", true);
  EXPECT_FALSE(fresh->ValueExists("x"));
}

TEST(HostRegistry, RootKeyItselfCannotBeDeleted) {
  HostRegistry reg;
  reg.OpenKey(RootKey::Users, "x", true);
  EXPECT_FALSE(reg.DeleteKey(RootKey::Users, ""));
  EXPECT_FALSE(reg.DeleteKey(RootKey::Users, "\\"));
  EXPECT_TRUE(reg.KeyExists(RootKey::Users, "x"));
}

TEST(HostRegistry, ClosedKeyFailsToWrite) {
  HostRegistry reg;
  auto key = reg.OpenKey(RootKey::CurrentUser, "Software\\VeltoTest", true);
  key->Close();
  try {
    key->WriteString("Tel", "1");
    FAIL() << "no exception";
  } catch (const ERegistryException& e) {
    EXPECT_STREQ(e.what(), "Failed to set data for 'Tel'");
  }
  EXPECT_THROW(key->WriteInteger("n", 1), ERegistryException);
}

TEST(HostRegistry, FileKeepsKeysValuesAndAwkwardTextsAcrossInstances) {
  testsupport::TempDir dir;
  std::string file = dir / "registry.txt";
  {
    HostRegistry reg(file);
    auto key = reg.OpenKey(RootKey::LocalMachine, "\\SOFTWARE\\BROVIK\\Agent", true);
    key->WriteString("Indirizzo", "Via Roma 1\tint. 2\r\nc\\o Città");
    key->WriteString("", "default");
    key->WriteInteger("Count", 4000000000u);
    reg.OpenKey(RootKey::ClassesRoot, "Empty\\Key", true);
  }
  HostRegistry reg(file);
  auto key = reg.OpenKey(RootKey::LocalMachine, "SOFTWARE\\BROVIK\\Agent", false);
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->ReadString("Indirizzo"), "Via Roma 1\tint. 2\r\nc\\o Città");
  EXPECT_EQ(key->ReadString(""), "default");
  EXPECT_THROW(key->ReadString("Count"), ERegistryException);  // still a number
  EXPECT_TRUE(reg.KeyExists(RootKey::ClassesRoot, "Empty\\Key"));
  EXPECT_EQ(reg.Dump(), HostRegistry(file).Dump());
  EXPECT_NE(reg.Dump().find("dword\tCount\t4000000000\n"), std::string::npos);
}

TEST(HostRegistry, DeletionIsSavedToTheFile) {
  testsupport::TempDir dir;
  std::string file = dir / "registry.txt";
  {
    HostRegistry reg(file);
    reg.OpenKey(RootKey::LocalMachine, "SOFTWARE\\BROVIK\\Agent", true)->WriteString("RootDir", "c:\\x\\velto.exe");
    reg.OpenKey(RootKey::LocalMachine, "SOFTWARE\\BROVIK\\Other", true);
    EXPECT_TRUE(reg.DeleteKey(RootKey::LocalMachine, "SOFTWARE\\BROVIK\\Agent"));
  }
  HostRegistry reg(file);
  EXPECT_FALSE(reg.KeyExists(RootKey::LocalMachine, "SOFTWARE\\BROVIK\\Agent"));
  EXPECT_TRUE(reg.KeyExists(RootKey::LocalMachine, "SOFTWARE\\BROVIK\\Other"));
}

TEST(HostRegistry, UnreadableOrForeignFileGivesEmptyRegistry) {
  testsupport::TempDir dir;
  testsupport::WriteFile(dir / "bad.txt", "not a registry\nkey\tHKLM\\X\n");
  HostRegistry bad(dir / "bad.txt");
  EXPECT_FALSE(bad.KeyExists(RootKey::LocalMachine, "X"));
  HostRegistry missing(dir / "none.txt");
  EXPECT_FALSE(missing.KeyExists(RootKey::LocalMachine, "X"));
}

}  // namespace
