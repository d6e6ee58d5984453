// velto-arc on Linux: the host file system (drive Z: is the host's root),
// host paths turned into Z: paths, the terminal's encoding from the locale.
#include <langinfo.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>

#include "platform/host/host_filesystem.h"
#include "platform/host/host_folder_walk.h"
#include "tools/console.h"
#include "tools/cp1252.h"

namespace arc {

namespace {

// Makes Path absolute and drops "." and ".." parts, without asking the file
// system (the file may not exist yet).
std::string AbsoluteHostPath(const std::string& Path) {
  std::string full = Path;
  if (full.empty() || full[0] != '/') {
    char buf[4096];
    std::string cwd = ::getcwd(buf, sizeof buf) ? buf : "/";
    full = cwd + "/" + full;
  }
  std::vector<std::string> parts;
  size_t i = 0;
  while (i <= full.size()) {
    size_t slash = full.find('/', i);
    if (slash == std::string::npos) slash = full.size();
    std::string part = full.substr(i, slash - i);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    i = slash + 1;
  }
  std::string out;
  for (const std::string& p : parts) out += "/" + p;
  return out.empty() ? "/" : out;
}

class PosixConsole : public IConsole {
 public:
  PosixConsole() {
    // Without TZ the C library looks at /etc/localtime again for every
    // local-time conversion, that is for every file's date: name it once.
    if (!std::getenv("TZ")) ::setenv("TZ", ":/etc/localtime", 0);
    std::setlocale(LC_CTYPE, "");
    std::string codeset = nl_langinfo(CODESET);
    FUtf8 = codeset == "UTF-8" || codeset == "utf8";
  }
  platform::IFileSystem& Files() override { return FFiles; }
  platform::IFolderWalk& Folders() override { return FWalk; }
  std::string ComponentPath(const std::string& Path) override {
    return platform::HostFileSystem::WindowsPathOf(AbsoluteHostPath(Path));
  }
  std::string DisplayPath(const std::string& ComponentPath) override {
    if (ComponentPath.size() >= 2 && (ComponentPath[0] | 0x20) == 'z' && ComponentPath[1] == ':')
      return FFiles.NativePath(ComponentPath);
    return ComponentPath;
  }
  std::string CurrentFolder() override { return FFiles.GetCurrentDir(); }
  bool ErrIsTerminal() override { return ::isatty(2) == 1; }
  bool InIsTerminal() override { return ::isatty(0) == 1; }
  std::string ToTerminal(const std::string& Text) override { return FUtf8 ? Utf8FromCp1252(Text) : Text; }
  bool FromTerminal(const std::string& Typed, std::string& Text) override {
    if (!FUtf8) {
      Text = Typed;
      return true;
    }
    return Cp1252FromUtf8(Typed, Text);
  }
  // File names are in the locale's encoding, as the terminal's text is.
  bool SystemName(const std::string& Stored, std::string& Name) override {
    Name = ToTerminal(Stored);
    return true;
  }
  bool StoredName(const std::string& Name, std::string& Stored) override { return FromTerminal(Name, Stored); }

 private:
  platform::HostFileSystem FFiles;
  platform::HostFolderWalk FWalk{FFiles};
  bool FUtf8 = false;
};

}  // namespace

std::unique_ptr<IConsole> MakeConsole() { return std::make_unique<PosixConsole>(); }

}  // namespace arc
