// The browser and Find-menu registry entries, compared with the tables of
// keys, value names and data that the product's entries must have.
#include "runtime/exceptions.h"
#include "tests/shell/shortcut_fixture.h"

namespace shelltest {
namespace {

using platform::RootKey;
constexpr RootKey LM = RootKey::LocalMachine, CU = RootKey::CurrentUser, HU = RootKey::Users, CR = RootKey::ClassesRoot;

struct Row {
  RootKey Root;
  std::string Key, Name, Data;
};

const std::string kExt = "\\SOFTWARE\\MICROSOFT\\Internet Explorer\\Extensions\\";
const std::string kButton = kExt + "{6E2D1F47-8B33-11D3-A1C5-0050DA2C7E91}";
const std::string kTools = kExt + "{6E2D1F47-8B32-11D3-A1C5-0050DA2C7E91}";
const std::string kMenu = "\\SOFTWARE\\MICROSOFT\\Internet Explorer\\MenuExt\\Ricerca utilizzando Velto";
const std::string kStatic = "\\Software\\Microsoft\\Windows\\CurrentVersion\\explorer\\FindExtensions\\Static";
const std::string kAppPaths = "\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths";
const std::string kServer = "\\CLSID\\{6E2D1F47-8B33-11D3-A1C5-0050DA2C7E91}\\LocalServer32";
const std::string kIcon = "c:\\programmi\\brovik\\agent\\search.ico";

// The browser entries, in the order they are written.
const std::vector<Row> kExplorerTable = {
    {LM, kButton, "ButtonText", "Velto"},
    {LM, kButton, "CLSID", "{1FBA04EE-3024-11D2-8F1F-0000F87ABD16}"},
    {LM, kButton, "Default Visible", "Yes"},
    {LM, kButton, "Exec", kTarget},
    {LM, kButton, "HotIcon", kIcon},
    {LM, kButton, "Icon", kIcon},
    {LM, kTools, "CLSID", "{1FBA04EE-3024-11d2-8F1F-0000F87ABD16}"},
    {LM, kTools, "Exec", kTarget},
    {LM, kTools, "MenuCustomize", "Tools"},
    {LM, kTools, "MenuStatusBar", "Cerca con velto"},
    {LM, kTools, "MenuText", "Cerca con velto"},
    {CU, kMenu, "", kTarget},
    {HU, "\\.DEFAULT" + kMenu, "", kTarget},
};

// The Find-menu, application-path and local-server entries, in order.
const std::vector<Row> kTrovaTable = {
    {LM, kStatic + "\\velto.exe\\0\\DefaultIcon", "", std::string(kTarget) + ",0"},
    {LM, kStatic + "\\velto.exe\\0", "", "Cerca con velto"},
    {LM, kStatic + "\\velto.exe", "", "{6E2D1F47-8B33-11D3-A1C5-0050DA2C7E91}"},
    {LM, kAppPaths + "\\velto.exe", "", kTarget},
    {LM, kAppPaths + "\\velto.exe", "Path", "c:\\programmi\\brovik\\agent\\"},
    {LM, kServer, "", kTarget},
    {LM, kServer, "ThreadingModel", "Both"},
    {CR, kServer, "", kTarget},
    {CR, kServer, "ThreadingModel", "Both"},
};

class ShortCutRegistryTest : public ShortCutTest {
 protected:
  // Every row's value as the registry holds it, "<missing>" when absent.
  std::vector<std::string> Values(const std::vector<Row>& Table) {
    std::vector<std::string> values;
    for (const Row& r : Table) values.push_back(registry.StringAt(r.Root, r.Key, r.Name));
    return values;
  }
  static std::vector<std::string> Data(const std::vector<Row>& Table) {
    std::vector<std::string> data;
    for (const Row& r : Table) data.push_back(r.Data);
    return data;
  }
  // The order of the names written, key by key in table order, and the
  // order of the keys opened.
  std::vector<std::string> WriteOrder(const std::vector<Row>& Table) {
    std::vector<std::string> order;
    std::string last;
    for (const Row& r : Table) {
      std::string k = testsupport::FakeRegistry::Canonical(r.Root, r.Key);
      if (k == last) continue;
      last = k;
      for (const std::string& n : registry.KeyAt(r.Root, r.Key).WriteOrder) order.push_back(k + "|" + n);
    }
    return order;
  }
  static std::vector<std::string> ExpectedOrder(const std::vector<Row>& Table) {
    std::vector<std::string> order;
    for (const Row& r : Table) {
      order.push_back(testsupport::FakeRegistry::Canonical(r.Root, r.Key) + "|" + r.Name);
    }
    return order;
  }
  std::vector<std::string> Missing(size_t N) { return std::vector<std::string>(N, "<missing>"); }
};

TEST_F(ShortCutRegistryTest, RegisterExplorerWritesTheBrowserTableInOrder) {
  s->RegisterExplorer();
  EXPECT_EQ(Values(kExplorerTable), Data(kExplorerTable));
  EXPECT_EQ(WriteOrder(kExplorerTable), ExpectedOrder(kExplorerTable));
  EXPECT_EQ(registry.CloseCount, 4);  // each key closed (and flushed)
  s->RegisterExplorer();              // again: the same six values written over
  EXPECT_EQ(Values(kExplorerTable), Data(kExplorerTable));
  EXPECT_EQ(registry.KeyAt(LM, kButton).WriteOrder.size(), 12u);
}

TEST_F(ShortCutRegistryTest, CreateTrovaLinkWritesTheFindMenuTableInOrder) {
  s->CreateTrovaLink();
  EXPECT_EQ(Values(kTrovaTable), Data(kTrovaTable));
  EXPECT_EQ(WriteOrder(kTrovaTable), ExpectedOrder(kTrovaTable));
  // The local server sits in a top-level CLSID key of HKEY_LOCAL_MACHINE.
  EXPECT_FALSE(registry.HasKey(LM, "\\SOFTWARE\\CLSID"));
}

TEST_F(ShortCutRegistryTest, RemovalTakesTheBrowserKeysAwayAndLeavesTheFindMenuKeysEmpty) {
  s->CreateLink();
  s->RemoveLink();
  EXPECT_EQ(Values(kExplorerTable), Missing(kExplorerTable.size()));
  EXPECT_EQ(Values(kTrovaTable), Missing(kTrovaTable.size()));
  for (const std::string& k : {kButton, kTools, kMenu}) EXPECT_FALSE(registry.HasKey(k == kMenu ? CU : LM, k)) << k;
  EXPECT_FALSE(registry.HasKey(HU, "\\.DEFAULT" + kMenu));
  for (const Row& r : kTrovaTable) EXPECT_TRUE(registry.HasKey(r.Root, r.Key)) << r.Key;
}

TEST_F(ShortCutRegistryTest, RemovalOnAnEmptyRegistryCreatesOnlyTheFindMenuKeys) {
  s->DeRegisterExplorer();
  EXPECT_EQ(registry.OpenCount, 0);  // nothing existed, nothing made
  s->DeleteTrovaLink();
  for (const Row& r : kTrovaTable) EXPECT_TRUE(registry.HasKey(r.Root, r.Key)) << r.Key;
  EXPECT_EQ(Values(kTrovaTable), Missing(kTrovaTable.size()));
  EXPECT_FALSE(registry.HasKey(LM, kButton));
}

TEST_F(ShortCutRegistryTest, ValueThatCannotBeWrittenEndsCreateLinkThere) {
  registry.FailingWrites.insert("exec");
  try {
    s->CreateLink();
    ADD_FAILURE() << "no error raised";
  } catch (const ERegistryException& e) {
    EXPECT_EQ(e.Message(), "Failed to set data for 'Exec'");
  }
  // The Find-menu table (before) is complete; the button key stops at Exec.
  EXPECT_EQ(Values(kTrovaTable), Data(kTrovaTable));
  EXPECT_EQ(registry.StringAt(LM, kButton, "Default Visible"), "Yes");
  EXPECT_EQ(registry.StringAt(LM, kButton, "HotIcon"), "<missing>");
  EXPECT_FALSE(registry.HasKey(LM, kTools));
  EXPECT_FALSE(registry.HasKey(CU, kMenu));
  EXPECT_EQ(registry.OpenCount, registry.CloseCount);  // the key in use is closed all the same
}

TEST_F(ShortCutRegistryTest, KeysThatCannotBeOpenedSkipTheirRowsOrEndTheFindMenu) {
  // No write access to the machine's browser keys: the user entries remain.
  registry.MakeUnopenable(kButton);
  registry.MakeUnopenable(kTools);
  s->RegisterExplorer();
  EXPECT_EQ(registry.StringAt(CU, kMenu, ""), kTarget);
  EXPECT_EQ(registry.StringAt(HU, "\\.DEFAULT" + kMenu, ""), kTarget);
  // The first Find-menu key fails: nothing at all is written.
  registry.MakeUnopenable(kTrovaTable[0].Key);
  s->CreateTrovaLink();
  EXPECT_EQ(Values(kTrovaTable), Missing(kTrovaTable.size()));
  s->DeleteTrovaLink();
  EXPECT_FALSE(registry.HasKey(CR, kServer));
}

TEST_F(ShortCutRegistryTest, PropertiesChangeOnlyTheValuesThatReadThem) {
  s->CLSIDExplore = "{11111111-2222-3333-4444-555555555555}";
  s->CLSIDExplore1 = "{99999999-2222-3333-4444-555555555555}";
  s->DescrizioneExeInForder = "";
  s->Descrizione = "altro";
  s->CreateLink();
  const std::string server = "\\CLSID\\{11111111-2222-3333-4444-555555555555}\\LocalServer32";
  EXPECT_EQ(registry.StringAt(LM, kStatic + "\\velto.exe", ""), s->CLSIDExplore);
  EXPECT_EQ(registry.StringAt(LM, server, ""), kTarget);
  EXPECT_EQ(registry.StringAt(CR, server, ""), kTarget);
  EXPECT_EQ(registry.StringAt(LM, kButton, "Exec"), kTarget);  // fixed key names
  EXPECT_EQ(registry.StringAt(LM, kTools, "Exec"), kTarget);
  const std::string blankMenu = "\\SOFTWARE\\MICROSOFT\\Internet Explorer\\MenuExt\\Ricerca utilizzando ";
  EXPECT_EQ(registry.StringAt(CU, blankMenu, ""), kTarget);
}

TEST_F(ShortCutRegistryTest, EmptyNamesNeverTouchTheSharedParentKeys) {
  // Values of other programs in the shared keys.
  registry.SetString(LM, kStatic, "", "shared find");
  registry.SetString(LM, kAppPaths, "", "shared paths");
  registry.SetString(LM, kAppPaths, "Path", "c:\\altro\\");
  struct Case {
    std::string ExeName, FilePathName;
    bool FindRows, AppPathRow;
  };
  for (const Case& c : {Case{"", kTarget, false, true}, Case{"velto.exe", "c:\\programmi\\", true, false},
                        Case{"velto.exe", "", true, false}}) {
    s->ExeName = c.ExeName;
    s->FilePathName = c.FilePathName;
    s->CreateLink();
    EXPECT_EQ(registry.StringAt(LM, kStatic, ""), "shared find") << c.ExeName << "|" << c.FilePathName;
    EXPECT_EQ(registry.StringAt(LM, kAppPaths, ""), "shared paths") << c.FilePathName;
    EXPECT_EQ(registry.StringAt(LM, kAppPaths, "Path"), "c:\\altro\\") << c.FilePathName;
    EXPECT_EQ(registry.HasKey(LM, kStatic + "\\velto.exe"), c.FindRows);
    EXPECT_EQ(registry.HasKey(LM, kAppPaths + "\\velto.exe"), c.AppPathRow);
    EXPECT_EQ(registry.StringAt(LM, kServer, ""), c.FilePathName);  // the server rows still run
    s->RemoveLink();
    EXPECT_EQ(registry.StringAt(LM, kStatic, ""), "shared find");
    EXPECT_EQ(registry.StringAt(LM, kAppPaths, ""), "shared paths");
    EXPECT_EQ(registry.StringAt(LM, kAppPaths, "Path"), "c:\\altro\\");
    registry.DeleteKey(LM, kStatic + "\\velto.exe");
    registry.DeleteKey(LM, kAppPaths + "\\velto.exe");
  }
}

}  // namespace
}  // namespace shelltest
