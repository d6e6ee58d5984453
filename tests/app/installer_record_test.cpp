// The installer record's read, check, write and delete against the fake registry.
#include "app/installer_record.h"

#include <gtest/gtest.h>

#include "runtime/exceptions.h"
#include "tests/support/fake_registry.h"

namespace {

using testsupport::FakeRegistry;

class InstallerRecordTest : public ::testing::Test {
 protected:
  std::string Value(const std::string& Name) const { return registry.StringAt(kRecordRoot, kRecordKey, Name); }
  TCardData Card() const {
    TCardData c;
    c.Cognome = "Rossi";
    c.Nome = "Mario";
    c.Indirizzo = "Via Roma 1";
    c.Citta = "Città";
    c.Prov = "PG";
    c.Eta = "42";
    c.Tel = "333";
    c.Maschio = true;
    return c;
  }
  FakeRegistry registry;
};

TEST_F(InstallerRecordTest, KeyIsAgentUnderBrovikInLocalMachine) {
  EXPECT_EQ(kRecordRoot, platform::RootKey::LocalMachine);
  EXPECT_STREQ(kRecordKey, "\\SOFTWARE\\BROVIK\\Agent");
}

TEST_F(InstallerRecordTest, WriteStoresTenStringValuesInOrderAndCreatesTheKey) {
  WriteInstallerRecord(registry, "c:\\programmi\\brovik\\agent\\velto.exe", "2005 1.0.0.0", Card());
  ASSERT_TRUE(registry.HasKey(kRecordRoot, kRecordKey));
  EXPECT_TRUE(registry.HasKey(kRecordRoot, "\\SOFTWARE\\BROVIK"));
  EXPECT_EQ(registry.KeyAt(kRecordRoot, kRecordKey).WriteOrder,
            (std::vector<std::string>{"RootDir", "version", "Cognome", "Nome", "Indirizzo", "Citta", "Prov", "Eta",
                                      "Tel", "Maschio"}));
  EXPECT_EQ(Value("RootDir"), "c:\\programmi\\brovik\\agent\\velto.exe");
  EXPECT_EQ(Value("version"), "2005 1.0.0.0");
  EXPECT_EQ(Value("Citta"), "Città");
  EXPECT_EQ(Value("Maschio"), "True");
  EXPECT_EQ(registry.OpenCount, 1);
  EXPECT_EQ(registry.CloseCount, 1);
}

TEST_F(InstallerRecordTest, WriteOverwritesValueByValueAndDeletesNothing) {
  registry.SetString(kRecordRoot, kRecordKey, "Cognome", "Vecchio");
  registry.SetString(kRecordRoot, kRecordKey, "Altro", "resta");
  TCardData c = Card();
  c.Maschio = false;
  WriteInstallerRecord(registry, "r", "v", c);
  EXPECT_EQ(Value("Cognome"), "Rossi");
  EXPECT_EQ(Value("Altro"), "resta");
  EXPECT_EQ(Value("Maschio"), "False");
}

TEST_F(InstallerRecordTest, FailedWriteNamesTheValueAndStopsThere) {
  registry.FailingWrites.insert("indirizzo");
  try {
    WriteInstallerRecord(registry, "r", "v", Card());
    FAIL() << "no exception";
  } catch (const ERegistryException& e) {
    EXPECT_STREQ(e.what(), "Failed to set data for 'Indirizzo'");
  }
  EXPECT_EQ(Value("Nome"), "Mario");
  EXPECT_EQ(Value("Citta"), "<missing>");
  EXPECT_EQ(registry.OpenCount, registry.CloseCount);
}

TEST_F(InstallerRecordTest, KeyThatCannotBeOpenedFailsAtRootDir) {
  registry.MakeUnopenable(kRecordKey);
  EXPECT_THROW(
      {
        try {
          WriteInstallerRecord(registry, "r", "v", Card());
        } catch (const ERegistryException& e) {
          EXPECT_STREQ(e.what(), "Failed to set data for 'RootDir'");
          throw;
        }
      },
      ERegistryException);
}

TEST_F(InstallerRecordTest, ReadGivesEmptyCardWithoutKey) {
  TCardData c = ReadInstallerRecord(registry);
  EXPECT_EQ(c.Cognome, "");
  EXPECT_EQ(c.Tel, "");
  EXPECT_FALSE(c.Maschio);
  EXPECT_FALSE(InstallerRecordExists(registry));
}

TEST_F(InstallerRecordTest, ReadRoundTripsWhatWriteStored) {
  WriteInstallerRecord(registry, "r", "v", Card());
  TCardData c = ReadInstallerRecord(registry);
  EXPECT_EQ(c.Cognome, "Rossi");
  EXPECT_EQ(c.Nome, "Mario");
  EXPECT_EQ(c.Indirizzo, "Via Roma 1");
  EXPECT_EQ(c.Citta, "Città");
  EXPECT_EQ(c.Prov, "PG");
  EXPECT_EQ(c.Eta, "42");
  EXPECT_EQ(c.Tel, "333");
  EXPECT_TRUE(c.Maschio);
  EXPECT_TRUE(InstallerRecordExists(registry));
  EXPECT_EQ(registry.OpenCount, registry.CloseCount);
}

TEST_F(InstallerRecordTest, MaschioIsTrueOnlyForExactlyTrue) {
  for (const char* text : {"true", "TRUE", "True ", "1", ""}) {
    registry.SetString(kRecordRoot, kRecordKey, "Maschio", text);
    EXPECT_FALSE(ReadInstallerRecord(registry).Maschio) << text;
  }
  registry.SetString(kRecordRoot, kRecordKey, "Maschio", "True");
  EXPECT_TRUE(ReadInstallerRecord(registry).Maschio);
}

TEST_F(InstallerRecordTest, ValueOfAnotherTypeFailsTheReadWithItsName) {
  registry.SetString(kRecordRoot, kRecordKey, "Cognome", "Rossi");
  registry.SetNumber(kRecordRoot, kRecordKey, "Prov", 3);
  try {
    ReadInstallerRecord(registry);
    FAIL() << "no exception";
  } catch (const ERegistryException& e) {
    EXPECT_STREQ(e.what(), "Invalid data type for 'Prov'");
  }
  EXPECT_EQ(registry.OpenCount, registry.CloseCount);
}

TEST_F(InstallerRecordTest, DeleteReadsRootDirRemovesValuesAndKeyButKeepsTheParent) {
  WriteInstallerRecord(registry, "c:\\x\\velto.exe", "v", Card());
  std::string rootdir;
  EXPECT_TRUE(DeleteInstallerRecord(registry, rootdir));
  EXPECT_EQ(rootdir, "c:\\x\\velto.exe");
  EXPECT_FALSE(registry.HasKey(kRecordRoot, kRecordKey));
  EXPECT_TRUE(registry.HasKey(kRecordRoot, "\\SOFTWARE\\BROVIK"));
  EXPECT_FALSE(InstallerRecordExists(registry));
}

TEST_F(InstallerRecordTest, DeleteWithoutKeyReportsItAndGivesEmptyRootDir) {
  std::string rootdir = "stale";
  EXPECT_FALSE(DeleteInstallerRecord(registry, rootdir));
  EXPECT_EQ(rootdir, "");
}

}  // namespace
