// The shell through shell32 and ole32: SHGetSpecialFolderLocation with the
// shell allocator, IShellLinkA and IPersistFile, ShellExecuteA.
#pragma once

#include "platform/shell.h"

namespace platform {

class Win32Shell : public IShell {
 public:
  // SHGetMalloc, SHGetSpecialFolderLocation (no owner window) and
  // SHGetPathFromIDListA into a 260-character buffer; the item list is freed
  // with the allocator and the allocator released in every case.
  bool SpecialFolderPath(int FolderId, std::string& Path) override;
  bool InitializeObjects() override;    // CoInitialize(nullptr); true when SUCCEEDED
  void UninitializeObjects() override;  // CoUninitialize
  // CoCreateInstance(CLSID_ShellLink, no aggregation, CLSCTX_INPROC_SERVER,
  // IID_IShellLinkA).
  std::unique_ptr<IShellLinkObject> CreateShellLink() override;
  // ShellExecuteA(no window, "open", Url, no parameters, no folder,
  // SW_SHOWNORMAL); true when the result is above 32.
  bool OpenUrl(uintptr_t OwnerWindow, const std::string& Url, int ShowState) override;
};

}  // namespace platform
