// Simple MAPI and Winsock 1.1 on Windows. (The shell's "open" is
// Win32Shell::OpenUrl.)
#pragma once

#include "platform/simple_mapi.h"
#include "platform/sockets.h"

namespace platform {

// Loads MAPI32.DLL only by its full path in the Windows system folder, never
// through the search path: the installer runs from a download folder, where
// a planted MAPI32.DLL would otherwise run with the installer's rights. The
// library stays loaded for the binding's life (the program keeps one binding
// for the whole process).
class Win32SimpleMapi : public ISimpleMapi {
 public:
  uint32_t SendMail(uintptr_t Session, uintptr_t ParentWindow, MapiMessage& Message, uint32_t Flags,
                    uint32_t Reserved) override;

 private:
  bool FDecided = false;
  void* FLibrary = nullptr;   // HMODULE
  void* FSendMail = nullptr;  // the entry point, once found
};

class Win32Sockets : public ISockets {
 public:
  void Start() override;
  void Stop() override;
  std::string OwnHostName() override;
  std::optional<std::vector<std::string>> ResolveIPv4(const std::string& Name) override;
};

}  // namespace platform
