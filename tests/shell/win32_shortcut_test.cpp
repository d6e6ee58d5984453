// TMyShortCut on the real system (under Wine): the three links are .lnk
// files that the shell reads back, the registry entries are seen by
// reg.exe, and RemoveLink takes them away again.
#include <windows.h>
#include <gtest/gtest.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstdio>
#include <string>

#include "platform/win32/win32_filesystem.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_shell.h"
#include "shell/shortcut.h"

namespace {

const std::string kFolder = "c:\\veltotest";
const std::string kTarget = kFolder + "\\velto.exe";

// What another process (Wine's reg.exe) prints for a key; "" when it fails.
std::string RegQuery(const std::string& Key) {
  std::string cmd = "reg.exe query \"" + Key + "\" 2>nul";
  FILE* p = _popen(cmd.c_str(), "r");
  if (!p) return "";
  std::string out;
  char buf[256];
  while (size_t n = std::fread(buf, 1, sizeof buf, p)) out.append(buf, n);
  return _pclose(p) == 0 ? out : "";
}

// True when reg.exe lists Name with type REG_SZ and Data under Key.
bool RegHas(const std::string& Key, const std::string& Name, const std::string& Data) {
  std::string out = RegQuery(Key);
  size_t line = 0;
  while (line < out.size()) {
    size_t end = out.find('\n', line);
    if (end == std::string::npos) end = out.size();
    std::string text = out.substr(line, end - line);
    line = end + 1;
    while (!text.empty() && (text.back() == '\r' || text.back() == ' ')) text.pop_back();
    size_t type = text.find("REG_SZ");
    if (type == std::string::npos) continue;
    std::string name = text.substr(0, type);
    name.erase(0, name.find_first_not_of(' '));
    while (!name.empty() && name.back() == ' ') name.pop_back();
    std::string data = text.substr(type + 6);
    data.erase(0, data.find_first_not_of(' '));
    if ((name == Name || (Name.empty() && name == "(Default)")) && data == Data) return true;
  }
  return false;
}

struct LoadedLink {
  bool Loaded = false;
  std::string Target, Description;
  int ShowCommand = 0;
};

// The link file read back through IShellLinkA and IPersistFile::Load.
LoadedLink Load(const std::string& Path) {
  LoadedLink result;
  IShellLinkA* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&link))))
    return result;
  IPersistFile* file = nullptr;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    wchar_t wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, Path.c_str(), -1, wide, MAX_PATH);
    if (SUCCEEDED(file->Load(wide, STGM_READ))) {
      char text[MAX_PATH] = {};
      result.Loaded = true;
      if (SUCCEEDED(link->GetPath(text, MAX_PATH, nullptr, 0))) result.Target = text;
      text[0] = 0;
      if (SUCCEEDED(link->GetDescription(text, MAX_PATH))) result.Description = text;
      link->GetShowCmd(&result.ShowCommand);
    }
    file->Release();
  }
  link->Release();
  return result;
}

// The show command stored in the link file's header (offset 0x3C). The
// shell reads values other than 1, 3 and 7 back as SW_SHOWNORMAL, so the
// stored value is looked at in the file itself.
int StoredShowCommand(const std::string& Path) {
  FILE* f = std::fopen(Path.c_str(), "rb");
  if (!f) return -1;
  unsigned char header[0x40] = {};
  size_t n = std::fread(header, 1, sizeof header, f);
  std::fclose(f);
  if (n != sizeof header) return -1;
  return header[0x3C] | header[0x3D] << 8 | header[0x3E] << 16 | header[0x3F] << 24;
}

class Win32ShortCutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitialize(nullptr);
    CreateDirectoryA(kFolder.c_str(), nullptr);
    HANDLE h = CreateFileA(kTarget.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    s.ExeName = "velto.exe";
    s.FilePathName = kTarget;
    s.IconPathName = kFolder + "\\search.ico";
    s.MenuText = "Cerca con velto";
    s.LinkName = "Velto2003";
    s.GruppoProgrammiName = "Velto2003";
    s.DescrizioneExeInForder = "Velto";
    s.CreateDeskTopLink = s.CreateFolder = s.CreateToTrova = s.CreateToExplorer = s.CreateToAvvio = true;
    ASSERT_TRUE(shell.SpecialFolderPath(platform::sfDesktopDirectory, desktop));
    ASSERT_TRUE(shell.SpecialFolderPath(platform::sfStartMenu, startMenu));
    ASSERT_TRUE(shell.SpecialFolderPath(platform::sfPrograms, programs));
  }
  void TearDown() override {
    s.RemoveLink();
    DeleteFileA(kTarget.c_str());
    RemoveDirectoryA(kFolder.c_str());
    CoUninitialize();
  }

  platform::Win32Shell shell;
  platform::Win32Registry registry;
  platform::Win32FileSystem files;
  TMyShortCut s{nullptr, shell, registry, files};
  std::string desktop, startMenu, programs;
};

TEST_F(Win32ShortCutTest, SpecialFoldersAreTheUsersShellFolders) {
  for (const std::string* folder : {&desktop, &startMenu, &programs}) {
    EXPECT_TRUE(files.DirectoryExists(*folder)) << *folder;
    EXPECT_NE(folder->back(), '\\');
  }
  EXPECT_EQ(programs.rfind(startMenu + "\\", 0), 0u) << programs;  // Programs lies inside the Start menu
  std::string unchanged = "x";
  EXPECT_FALSE(shell.SpecialFolderPath(0x7fff, unchanged));
  EXPECT_EQ(unchanged, "x");
}

TEST_F(Win32ShortCutTest, CreateLinkMakesThreeLinksTheShellReadsBack) {
  s.CreateLink();
  struct Row {
    std::string File, Description;
    int Show;
  };
  for (const Row& row : {Row{desktop + "\\Velto2003.lnk", "Velto", SW_SHOW},
                         Row{startMenu + "\\Velto2003\\velto.exe.lnk", "velto.exe", SW_SHOWNORMAL},
                         Row{programs + "\\Velto2003\\velto.exe.lnk", "velto.exe", SW_SHOWNORMAL}}) {
    LoadedLink link = Load(row.File);
    ASSERT_TRUE(link.Loaded) << row.File;
    EXPECT_EQ(CharLowerA(link.Target.data()), kTarget) << row.File;
    EXPECT_EQ(link.Description, row.Description) << row.File;
    EXPECT_EQ(link.ShowCommand, SW_SHOWNORMAL) << row.File;
    EXPECT_EQ(StoredShowCommand(row.File), row.Show) << row.File;  // an unset command is stored as SW_SHOWNORMAL
  }
  s.RemoveLink();
  for (const std::string& file :
       {desktop + "\\Velto2003.lnk", startMenu + "\\Velto2003\\velto.exe.lnk", programs + "\\Velto2003\\velto.exe.lnk"})
    EXPECT_FALSE(files.FileExists(file)) << file;
  EXPECT_FALSE(files.DirectoryExists(startMenu + "\\Velto2003"));
  EXPECT_FALSE(files.DirectoryExists(programs + "\\Velto2003"));
}

TEST_F(Win32ShortCutTest, RegistryEntriesAreSeenByRegAndRemoved) {
  s.CreateLink();
  const std::string button =
      "HKLM\\SOFTWARE\\MICROSOFT\\Internet Explorer\\Extensions\\{6E2D1F47-8B33-11D3-A1C5-0050DA2C7E91}";
  const std::string tools =
      "HKLM\\SOFTWARE\\MICROSOFT\\Internet Explorer\\Extensions\\{6E2D1F47-8B32-11D3-A1C5-0050DA2C7E91}";
  const std::string menu = "SOFTWARE\\MICROSOFT\\Internet Explorer\\MenuExt\\Ricerca utilizzando Velto";
  const std::string find =
      "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\explorer\\FindExtensions\\Static\\velto.exe";
  const std::string appPath = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\velto.exe";
  const std::string server = "\\CLSID\\{6E2D1F47-8B33-11D3-A1C5-0050DA2C7E91}\\LocalServer32";
  struct Row {
    std::string Key, Name, Data;
  };
  const Row rows[] = {
      {button, "ButtonText", "Velto"},
      {button, "CLSID", "{1FBA04EE-3024-11D2-8F1F-0000F87ABD16}"},
      {button, "Exec", kTarget},
      {button, "Icon", kFolder + "\\search.ico"},
      {tools, "CLSID", "{1FBA04EE-3024-11d2-8F1F-0000F87ABD16}"},
      {tools, "MenuText", "Cerca con velto"},
      {"HKCU\\" + menu, "", kTarget},
      {"HKU\\.DEFAULT\\" + menu, "", kTarget},
      {find + "\\0\\DefaultIcon", "", kTarget + ",0"},
      {find + "\\0", "", "Cerca con velto"},
      {find, "", "{6E2D1F47-8B33-11D3-A1C5-0050DA2C7E91}"},
      {appPath, "", kTarget},
      {appPath, "Path", kFolder + "\\"},
      {"HKLM" + server, "ThreadingModel", "Both"},
      {"HKCR" + server, "", kTarget},
  };
  for (const Row& row : rows) EXPECT_TRUE(RegHas(row.Key, row.Name, row.Data)) << row.Key << " " << row.Name;
  s.RemoveLink();
  for (const std::string& key : {button, tools, "HKCU\\" + menu, "HKU\\.DEFAULT\\" + menu})
    EXPECT_EQ(RegQuery(key), "") << key;
  for (const Row& row : rows) EXPECT_FALSE(RegHas(row.Key, row.Name, row.Data)) << row.Key << " " << row.Name;
  registry.DeleteKey(platform::RootKey::LocalMachine, find.substr(5));
  registry.DeleteKey(platform::RootKey::LocalMachine, appPath.substr(5));
  registry.DeleteKey(platform::RootKey::LocalMachine, "\\CLSID\\{6E2D1F47-8B33-11D3-A1C5-0050DA2C7E91}");
  registry.DeleteKey(platform::RootKey::ClassesRoot, "\\CLSID\\{6E2D1F47-8B33-11D3-A1C5-0050DA2C7E91}");
}

}  // namespace
