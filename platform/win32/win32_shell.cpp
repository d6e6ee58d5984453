#include "platform/win32/win32_shell.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <string>

namespace platform {
namespace {

// Releases a COM interface when it goes out of scope.
template <typename T>
struct ComRef {
  T* P = nullptr;
  ComRef() = default;
  explicit ComRef(T* Ptr) : P(Ptr) {}
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;
  ~ComRef() {
    if (P) P->Release();
  }
};

class Win32LinkFile : public IShellLinkFile {
 public:
  explicit Win32LinkFile(IPersistFile* File) : FFile(File) {}
  bool Save(const std::string& Path) override {
    // ANSI code page to UTF-16; the callers keep their paths within the
    // limits they have.
    int n = MultiByteToWideChar(CP_ACP, 0, Path.c_str(), -1, nullptr, 0);
    if (n == 0) return false;
    std::wstring wide(static_cast<size_t>(n), L'\0');
    if (MultiByteToWideChar(CP_ACP, 0, Path.c_str(), -1, wide.data(), n) == 0) return false;
    return SUCCEEDED(FFile.P->Save(wide.c_str(), TRUE));
  }

 private:
  ComRef<IPersistFile> FFile;
};

class Win32LinkObject : public IShellLinkObject {
 public:
  explicit Win32LinkObject(IShellLinkA* Link) : FLink(Link) {}
  bool SetPath(const std::string& Target) override { return SUCCEEDED(FLink.P->SetPath(Target.c_str())); }
  bool SetDescription(const std::string& Description) override {
    return SUCCEEDED(FLink.P->SetDescription(Description.c_str()));
  }
  bool SetShowCmd(int ShowCommand) override { return SUCCEEDED(FLink.P->SetShowCmd(ShowCommand)); }
  std::unique_ptr<IShellLinkFile> QueryFile() override {
    IPersistFile* file = nullptr;
    if (FAILED(FLink.P->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) || !file) return nullptr;
    return std::make_unique<Win32LinkFile>(file);
  }

 private:
  ComRef<IShellLinkA> FLink;
};

}  // namespace

bool Win32Shell::SpecialFolderPath(int FolderId, std::string& Path) {
  IMalloc* allocator = nullptr;
  if (FAILED(SHGetMalloc(&allocator)) || !allocator) return false;
  ComRef<IMalloc> malloc(allocator);
  LPITEMIDLIST items = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, FolderId, &items)) || !items) return false;
  char buffer[MAX_PATH] = {};
  BOOL found = SHGetPathFromIDListA(items, buffer);
  malloc.P->Free(items);
  if (!found) return false;
  Path = buffer;
  return true;
}

bool Win32Shell::InitializeObjects() { return SUCCEEDED(CoInitialize(nullptr)); }

void Win32Shell::UninitializeObjects() { CoUninitialize(); }

std::unique_ptr<IShellLinkObject> Win32Shell::CreateShellLink() {
  IShellLinkA* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&link))) ||
      !link)
    return nullptr;
  return std::make_unique<Win32LinkObject>(link);
}

bool Win32Shell::OpenUrl(uintptr_t OwnerWindow, const std::string& Url, int ShowState) {
  HINSTANCE result =
      ShellExecuteA(reinterpret_cast<HWND>(OwnerWindow), "open", Url.c_str(), nullptr, nullptr, ShowState);
  return reinterpret_cast<INT_PTR>(result) > 32;
}

}  // namespace platform
