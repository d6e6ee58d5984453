#include "platform/host/host_system.h"

#include <unistd.h>

#include <algorithm>
#include <mutex>
#include <set>

#include "platform/host/host_filesystem.h"

namespace platform {

std::string HostSystem::ProgramPath() {
  char buf[4096];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf);
  if (n <= 0 || n >= static_cast<ssize_t>(sizeof buf)) return "";
  return HostFileSystem::WindowsPathOf(std::string(buf, static_cast<size_t>(n)));
}

std::string HostSystem::SystemDirectory() { return "c:\\windows\\system32"; }

namespace {

std::mutex claimsLock;
std::set<std::string>& Claims() {
  static std::set<std::string> claims;
  return claims;
}

}  // namespace

bool HostSystem::ClaimSingleInstance(const std::string& Name) {
  std::lock_guard<std::mutex> hold(claimsLock);
  if (std::find(FClaimed.begin(), FClaimed.end(), Name) != FClaimed.end()) return true;
  if (!Claims().insert(Name).second) return false;
  FClaimed.push_back(Name);
  return true;
}

HostSystem::~HostSystem() {
  std::lock_guard<std::mutex> hold(claimsLock);
  for (const std::string& name : FClaimed) Claims().erase(name);
}

uint32_t HostSystem::StartCommand(const std::string& CommandLine, int ShowState) {
  FStarted.push_back({CommandLine, ShowState});
  return FStartResult;
}

}  // namespace platform
