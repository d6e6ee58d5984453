#include "runtime/windows_path.h"

#include "runtime/name_rule.h"

namespace {

// Windows takes the slash for a backslash; a colon ends a drive name.
constexpr const char* kSeparators = "\\/:";

// Whether Path is a root that its trailing separator makes: "\" or "c:\"
// (or "/", "c:/").
bool IsRoot(const std::string& Path) {
  return (Path.size() == 1 && IsPathSeparator(Path[0])) ||
         (Path.size() == 3 && Path[1] == ':' && IsPathSeparator(Path[2]));
}

}  // namespace

std::string FileNamePart(const std::string& Path) {
  const size_t pos = Path.find_last_of(kSeparators);
  return pos == std::string::npos ? Path : Path.substr(pos + 1);
}

std::string FolderPathPart(const std::string& Path) {
  const size_t pos = Path.find_last_of(kSeparators);
  return pos == std::string::npos ? std::string() : Path.substr(0, pos + 1);
}

std::string FolderPart(const std::string& Path) {
  std::string folder = FolderPathPart(Path);
  if (folder.empty() || folder.back() == ':' || IsRoot(folder)) return folder;
  return WithoutTrailingBackslash(folder);
}

std::string WithTrailingBackslash(const std::string& Path) {
  if (Path.empty() || IsPathSeparator(Path.back()) || Path.back() == ':') return Path;
  return Path + "\\";
}

std::string WithoutTrailingBackslash(const std::string& Path) {
  std::string result = Path;
  while (result.size() > 1 && IsPathSeparator(result.back()) && !IsRoot(result)) result.pop_back();
  return result;
}
