// What the consoles of every system do alike.
#include "tools/console.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <iostream>
#include <system_error>
#include <thread>

namespace arc {

namespace fs = std::filesystem;

bool IConsole::ReadLine(std::string& Line) { return static_cast<bool>(std::getline(std::cin, Line)); }

int IConsole::Processors() {
  unsigned n = std::thread::hardware_concurrency();
  return n == 0 ? 1 : int(n);
}

bool IConsole::SystemName(const std::string& Stored, std::string& Name) {
  Name = Stored;
  return true;
}

bool IConsole::StoredName(const std::string& Name, std::string& Stored) {
  Stored = Name;
  return true;
}

bool IConsole::IsLink(const std::string& Path) {
  std::error_code ec;
  fs::file_status st = fs::symlink_status(fs::path(DisplayPath(Path)), ec);
  return !ec && st.type() == fs::file_type::symlink;
}

bool IConsole::IsFolder(const std::string& Path) {
  std::error_code ec;
  return fs::symlink_status(fs::path(DisplayPath(Path)), ec).type() == fs::file_type::directory;
}

bool IConsole::RenameOver(const std::string& From, const std::string& To, std::string& Reason) {
  std::error_code ec;
  fs::rename(fs::path(DisplayPath(From)), fs::path(DisplayPath(To)), ec);
  if (ec) Reason = ec.message();
  return !ec;
}

void IConsole::RemoveEntry(const std::string& Path) {
  std::error_code ec;
  fs::remove(fs::path(DisplayPath(Path)), ec);  // nothing there is fine
}

std::vector<std::string> IConsole::FilesBelow(const std::string& Path) {
  std::vector<std::string> found;
  std::string folder = Path;
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  const std::string host = DisplayPath(folder);
  for (const fs::directory_entry& e : fs::recursive_directory_iterator(fs::path(host))) {
    if (e.is_directory()) continue;  // walked into, or a link to a folder: passed over
    // The part below the folder, written with backslashes.
    std::string rel = e.path().lexically_relative(fs::path(host)).generic_string();
    std::replace(rel.begin(), rel.end(), '/', '\\');
    found.push_back(folder + rel);
  }
  std::sort(found.begin(), found.end());
  return found;
}

std::string IConsole::LastSystemError() { return std::generic_category().message(errno); }

}  // namespace arc
