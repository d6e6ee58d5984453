#include "shell/shell_paths.h"

namespace shellpaths {

std::string FileNameOf(const std::string& Path) {
  size_t pos = Path.find_last_of("\\:");
  return pos == std::string::npos ? Path : Path.substr(pos + 1);
}

std::string FolderOf(const std::string& Path) {
  size_t pos = Path.find_last_of("\\:");
  return pos == std::string::npos ? std::string() : Path.substr(0, pos + 1);
}

bool IsPlainFileName(const std::string& Entry) {
  if (Entry.find_first_of("\\/:") != std::string::npos) return false;
  return Entry.find_first_not_of(". ") != std::string::npos;
}

}  // namespace shellpaths
