// velto-arc on Windows: the Win32 file system, paths made absolute by the
// system, names printed through the console's code page.
#include <windows.h>
#include <io.h>

#include "platform/win32/win32_filesystem.h"
#include "tools/console.h"
#include "tools/cp1252.h"

namespace arc {

namespace {

class Win32Console : public IConsole {
 public:
  Win32Console() { FUtf8 = GetConsoleOutputCP() == CP_UTF8; }
  platform::IFileSystem& Files() override { return FFiles; }
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
  std::string LastSystemError() override {
    char buf[512];
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, GetLastError(), 0,
                             buf, sizeof buf, nullptr);
    while (n > 0 && (buf[n - 1] == '\n' || buf[n - 1] == '\r' || buf[n - 1] == '.')) --n;
    return n ? std::string(buf, n) : "unknown error";
  }

 private:
  platform::Win32FileSystem FFiles;
  bool FUtf8 = false;
};

}  // namespace

std::unique_ptr<IConsole> MakeConsole() { return std::make_unique<Win32Console>(); }

}  // namespace arc
