#include "shell/shell_registry.h"

#include "runtime/windows_path.h"
#include "shell/shortcut.h"

namespace shellregistry {
namespace {

using platform::RootKey;

const std::string kExtensions = "\\SOFTWARE\\MICROSOFT\\Internet Explorer\\Extensions\\";
const std::string kMenuExt = "\\SOFTWARE\\MICROSOFT\\Internet Explorer\\MenuExt\\Ricerca utilizzando ";
const std::string kFindStatic = "\\Software\\Microsoft\\Windows\\CurrentVersion\\explorer\\FindExtensions\\Static\\";
const std::string kAppPaths = "\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
// The browser's class for extensions that run a program, in the two
// spellings the browser keys carry.
const std::string kRunProgramClass = "{1FBA04EE-3024-11D2-8F1F-0000F87ABD16}";
const std::string kRunProgramClassLower = "{1FBA04EE-3024-11d2-8F1F-0000F87ABD16}";

}  // namespace

std::vector<TKeyRows> ExplorerRows(const TExplorerData& D) {
  return {
      {RootKey::LocalMachine,
       kExtensions + "{6E2D1F47-8B33-11D3-A1C5-0050DA2C7E91}",
       true,
       false,
       {{"ButtonText", D.DescrizioneExeInForder},
        {"CLSID", kRunProgramClass},
        {"Default Visible", "Yes"},
        {"Exec", D.FilePathName},
        {"HotIcon", D.IconPathName},
        {"Icon", D.IconPathName}}},
      {RootKey::LocalMachine,
       kExtensions + "{6E2D1F47-8B32-11D3-A1C5-0050DA2C7E91}",
       true,
       false,
       {{"CLSID", kRunProgramClassLower},
        {"Exec", D.FilePathName},
        {"MenuCustomize", "Tools"},
        {"MenuStatusBar", D.MenuText},
        {"MenuText", D.MenuText}}},
      {RootKey::CurrentUser, kMenuExt + D.DescrizioneExeInForder, true, false, {{"", D.FilePathName}}},
      {RootKey::Users, "\\.DEFAULT" + kMenuExt + D.DescrizioneExeInForder, true, false, {{"", D.FilePathName}}},
  };
}

std::vector<TKeyRows> TrovaRows(const TTrovaData& D) {
  std::vector<TKeyRows> rows;
  // An empty ExeName would address the shared Static key itself.
  if (!D.ExeName.empty()) {
    const std::string find = kFindStatic + D.ExeName;
    rows.push_back({RootKey::LocalMachine, find + "\\0\\DefaultIcon", true, true, {{"", D.FilePathName + ",0"}}});
    rows.push_back({RootKey::LocalMachine, find + "\\0", false, false, {{"", D.MenuText}}});
    rows.push_back({RootKey::LocalMachine, find, false, false, {{"", D.CLSIDExplore}}});
  }
  // Without a file name the shared App Paths key itself would be addressed.
  const std::string fileName = FileNamePart(D.FilePathName);
  if (!fileName.empty())
    rows.push_back({RootKey::LocalMachine,
                    kAppPaths + fileName,
                    true,
                    false,
                    {{"", D.FilePathName}, {"Path", FolderPathPart(D.FilePathName)}}});
  const std::string server = "\\CLSID\\" + D.CLSIDExplore + "\\LocalServer32";
  for (RootKey root : {RootKey::LocalMachine, RootKey::ClassesRoot})
    rows.push_back({root, server, true, false, {{"", D.FilePathName}, {"ThreadingModel", "Both"}}});
  return rows;
}

void WriteRows(platform::IRegistry& Registry, const std::vector<TKeyRows>& Rows) {
  for (const TKeyRows& row : Rows) {
    auto key = Registry.OpenKey(row.Root, row.Path, row.Create);
    if (!key) {
      if (row.EndsWhenMissing) return;
      continue;
    }
    for (const auto& [name, data] : row.Values) key->WriteString(name, data);
    key->Close();
  }
}

void DeleteRows(platform::IRegistry& Registry, const std::vector<TKeyRows>& Rows, bool DeleteKeys) {
  for (const TKeyRows& row : Rows) {
    auto key = Registry.OpenKey(row.Root, row.Path, row.Create);
    if (!key) {
      if (row.EndsWhenMissing) return;
      continue;
    }
    for (const auto& value : row.Values) key->DeleteValue(value.first);
    key->Close();
    if (DeleteKeys) Registry.DeleteKey(row.Root, row.Path);
  }
}

}  // namespace shellregistry

// ---- The component's registry operations ------------------------------------------

namespace {

shellregistry::TExplorerData ExplorerData(const TMyShortCut& S) {
  return {S.FilePathName, S.IconPathName, S.MenuText, S.DescrizioneExeInForder};
}
shellregistry::TTrovaData TrovaData(const TMyShortCut& S) {
  return {S.FilePathName, S.MenuText, S.ExeName, S.CLSIDExplore};
}

// The same rows opened only when they exist, for the removal of keys.
std::vector<shellregistry::TKeyRows> OpenOnly(std::vector<shellregistry::TKeyRows> Rows) {
  for (auto& row : Rows) row.Create = false;
  return Rows;
}

}  // namespace

std::vector<shellregistry::TKeyRows> TMyShortCut::RegistryRows() const {
  std::vector<shellregistry::TKeyRows> rows;
  if (CreateToTrova) rows = shellregistry::TrovaRows(TrovaData(*this));
  if (CreateToExplorer) {
    auto explorer = shellregistry::ExplorerRows(ExplorerData(*this));
    rows.insert(rows.end(), explorer.begin(), explorer.end());
  }
  return rows;
}

void TMyShortCut::RegisterExplorer() {
  shellregistry::WriteRows(FRegistry, shellregistry::ExplorerRows(ExplorerData(*this)));
}

void TMyShortCut::DeRegisterExplorer() {
  shellregistry::DeleteRows(FRegistry, OpenOnly(shellregistry::ExplorerRows(ExplorerData(*this))), true);
}

void TMyShortCut::CreateTrovaLink() { shellregistry::WriteRows(FRegistry, shellregistry::TrovaRows(TrovaData(*this))); }

void TMyShortCut::DeleteTrovaLink() {
  shellregistry::DeleteRows(FRegistry, shellregistry::TrovaRows(TrovaData(*this)), false);
}
