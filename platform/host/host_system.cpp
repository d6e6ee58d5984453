#include "platform/host/host_system.h"

#include <unistd.h>

#include "platform/host/host_filesystem.h"

namespace platform {

std::string HostSystem::ProgramPath() {
  char buf[4096];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf);
  if (n <= 0 || n >= static_cast<ssize_t>(sizeof buf)) return "";
  return HostFileSystem::WindowsPathOf(std::string(buf, static_cast<size_t>(n)));
}

std::string HostSystem::SystemDirectory() { return "c:\\windows\\system32"; }

uint32_t HostSystem::StartCommand(const std::string& CommandLine, int ShowState) {
  FStarted.push_back({CommandLine, ShowState});
  return FStartResult;
}

}  // namespace platform
