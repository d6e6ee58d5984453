#include "platform/host/host_shell.h"

#include <cstdlib>
#include <memory>

#include "runtime/exceptions.h"

namespace platform {
namespace {

constexpr const char* kMagic = "velto-link 1";

std::string OneLine(std::string Text) {
  for (char& c : Text)
    if (c == '\r' || c == '\n') c = ' ';
  return Text;
}

struct LinkFields {
  std::string Target, Description;
  int ShowCommand = -1;
};

class HostLinkFile : public IShellLinkFile {
 public:
  HostLinkFile(IFileSystem& Files, std::shared_ptr<LinkFields> Fields) : FFiles(Files), FFields(std::move(Fields)) {}
  bool Save(const std::string& Path) override {
    std::string text = std::string(kMagic) + "\ntarget\t" + OneLine(FFields->Target) + "\ndescription\t" +
                       OneLine(FFields->Description) + "\n";
    if (FFields->ShowCommand >= 0) text += "show\t" + std::to_string(FFields->ShowCommand) + "\n";
    try {
      auto stream = FFiles.OpenFile(Path, fmCreate);
      return stream->Write(text.data(), static_cast<int32_t>(text.size())) == static_cast<int32_t>(text.size());
    } catch (const Exception&) {
      return false;
    }
  }

 private:
  IFileSystem& FFiles;
  std::shared_ptr<LinkFields> FFields;
};

class HostLinkObject : public IShellLinkObject {
 public:
  explicit HostLinkObject(IFileSystem& Files) : FFiles(Files), FFields(std::make_shared<LinkFields>()) {}
  bool SetPath(const std::string& Target) override {
    FFields->Target = Target;
    return true;
  }
  bool SetDescription(const std::string& Description) override {
    FFields->Description = Description;
    return true;
  }
  bool SetShowCmd(int ShowCommand) override {
    FFields->ShowCommand = ShowCommand;
    return true;
  }
  std::unique_ptr<IShellLinkFile> QueryFile() override { return std::make_unique<HostLinkFile>(FFiles, FFields); }

 private:
  IFileSystem& FFiles;
  std::shared_ptr<LinkFields> FFields;
};

}  // namespace

HostShell::HostShell(IFileSystem& Files) : FFiles(Files) {}

bool HostShell::SpecialFolderPath(int FolderId, std::string& Path) {
  const char* folder = FolderId == sfDesktopDirectory ? kDesktopFolder
                       : FolderId == sfStartMenu      ? kStartMenuFolder
                       : FolderId == sfPrograms       ? kProgramsFolder
                                                      : nullptr;
  if (!folder || !FFiles.ForceDirectories(folder)) return false;
  Path = folder;
  return true;
}

bool HostShell::InitializeObjects() {
  ++Initialized;
  return true;
}

void HostShell::UninitializeObjects() { --Initialized; }

std::unique_ptr<IShellLinkObject> HostShell::CreateShellLink() { return std::make_unique<HostLinkObject>(FFiles); }

bool HostShell::OpenUrl(uintptr_t OwnerWindow, const std::string& Url, int ShowState) {
  Opened.push_back({OwnerWindow, Url, ShowState});
  return true;
}

bool HostShell::ReadLink(const std::string& Path, Link& Result) {
  if (!FFiles.FileExists(Path)) return false;
  std::string text;
  try {
    auto stream = FFiles.OpenFile(Path, fmOpenRead | fmShareDenyNone);
    text.resize(static_cast<size_t>(stream->Size()));
    if (!text.empty() &&
        stream->Read(text.data(), static_cast<int32_t>(text.size())) != static_cast<int32_t>(text.size()))
      return false;
  } catch (const Exception&) {
    return false;
  }
  Link link;
  size_t start = 0;
  bool first = true;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    if (first) {
      if (line != kMagic) return false;
      first = false;
      continue;
    }
    size_t tab = line.find('\t');
    if (tab == std::string::npos) return false;
    std::string name = line.substr(0, tab), value = line.substr(tab + 1);
    if (name == "target")
      link.Target = value;
    else if (name == "description")
      link.Description = value;
    else if (name == "show")
      link.ShowCommand = value.empty() || value.size() > 9 || value.find_first_not_of("0123456789") != std::string::npos
                             ? -1
                             : std::atoi(value.c_str());
  }
  if (first) return false;
  Result = link;
  return true;
}

}  // namespace platform
