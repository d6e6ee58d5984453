// velto-arc on Windows: the Win32 file system, paths made absolute by the
// system, names printed through the console's code page.
#include <windows.h>
#include <io.h>

#include "platform/win32/win32_filesystem.h"
#include "platform/win32/win32_folder_walk.h"
#include "tools/console.h"
#include "tools/cp1252.h"

namespace arc {

namespace {

class Win32Console : public IConsole {
 public:
  Win32Console() { FUtf8 = GetConsoleOutputCP() == CP_UTF8; }
  platform::IFileSystem& Files() override { return FFiles; }
  platform::IFolderWalk& Folders() override { return FWalk; }
  std::string ComponentPath(const std::string& Path) override {
    char buf[MAX_PATH * 4];
    DWORD n = GetFullPathNameA(Path.c_str(), sizeof buf, buf, nullptr);
    return n == 0 || n >= sizeof buf ? Path : std::string(buf, n);
  }
  std::string DisplayPath(const std::string& ComponentPath) override { return ComponentPath; }
  std::string CurrentFolder() override { return FFiles.GetCurrentDir(); }
  bool ErrIsTerminal() override { return _isatty(2) != 0; }
  bool InIsTerminal() override { return _isatty(0) != 0; }
  // A console in the UTF-8 code page gets UTF-8; any other shows the ANSI
  // bytes as they are.
  std::string ToTerminal(const std::string& Text) override { return FUtf8 ? Utf8FromCp1252(Text) : Text; }
  bool FromTerminal(const std::string& Typed, std::string& Text) override {
    Text = Typed;  // arguments arrive in the ANSI code page
    return true;
  }

 private:
  platform::Win32FileSystem FFiles;
  platform::Win32FolderWalk FWalk;
  bool FUtf8 = false;
};

}  // namespace

std::unique_ptr<IConsole> MakeConsole() { return std::make_unique<Win32Console>(); }

}  // namespace arc
