// The installer's entry: restricts DLL loading to the system folder (the
// program usually runs from a download folder), makes the Win32 services and
// the peer, and runs the installer. No argument is read; the exit code is 0.
#include <windows.h>

#include <cstdlib>

#include "app/program.h"
#include "platform/startup.h"
#include "platform/win32/win32_dialogs.h"
#include "platform/win32/win32_filesystem.h"
#include "platform/win32/win32_mail.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_shell.h"
#include "platform/win32/win32_system.h"
#include "platform/win32/win32_ui.h"
#include "ui/win32/win32_peer.h"

// A GUI program has no console to print to: std::terminate ends the process
// at once instead of through the C++ library's verbose handler, which would
// print to nowhere and carry the library's name demangler (about 46 KB of
// the installer's image) for it.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

int WINAPI WinMain(HINSTANCE Instance, HINSTANCE, LPSTR, int) {
  platform::RestrictDllSearchToSystemFolder();
  Win32Peer peer(Instance);
  platform::Win32FileSystem files;
  files.CreateBufferSize = 1 << 20;  // the restore flushes each file it makes
  platform::Win32Dialogs dialogs;
  platform::Win32Registry registry;
  platform::Win32System system;
  platform::Win32Timers timers;
  platform::Win32Cursor cursor;
  platform::Win32Shell shell;
  platform::Win32SimpleMapi mail;  // one binding for the whole process
  platform::Win32Sockets sockets;
  const TServices services{files, dialogs, registry, system, timers, cursor, peer, shell, mail, sockets};
  return RunInstaller(services);
}
