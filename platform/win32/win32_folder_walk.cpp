#include "platform/win32/win32_folder_walk.h"

#include <algorithm>

#include "platform/win32/win32_error.h"

namespace platform {

namespace {

constexpr DWORD kLinkedFolder = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;

// Walks the folder Folder, whose files are listed under the prefix Rel.
// Returns the number of files found below it; -1 when a folder could not
// be read (Reason says which).
int Walk(const std::string& Folder, const std::string& Rel, TFolderFiles& Out, std::string& Reason) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((Folder + "\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND) {  // not even "." and "..": an empty root
      ++Out.EmptyFolders;
      return 0;
    }
    Reason = "cannot read folder \"" + Folder + "\": " + SystemErrorMessage(error);
    return -1;
  }
  int found = 0;
  bool failed = false;
  do {
    std::string name = data.cFileName;
    if (name == "." || name == "..") continue;
    if ((data.dwFileAttributes & kLinkedFolder) == kLinkedFolder) continue;  // a link or junction: passed over
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      int below = Walk(Folder + "\\" + name, Rel + name + "\\", Out, Reason);
      if (below < 0) {
        failed = true;
        break;
      }
      found += below;
      continue;
    }
    Out.Files.push_back(Rel + name);
    ++found;
  } while (FindNextFileA(find, &data));
  FindClose(find);
  if (failed) return -1;
  if (found == 0) ++Out.EmptyFolders;
  return found;
}

}  // namespace

bool Win32FolderWalk::IsFolder(const std::string& Path) {
  DWORD attributes = GetFileAttributesA(Path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & kLinkedFolder) == FILE_ATTRIBUTE_DIRECTORY;
}

bool Win32FolderWalk::FilesBelow(const std::string& Path, TFolderFiles& Out, std::string& Reason) {
  Out = TFolderFiles{};
  std::string folder = Path;
  while (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
  if (!folder.empty() && folder.back() == '\\') folder.pop_back();  // "c:\" walks "c:\*"
  if (Walk(folder, "", Out, Reason) < 0) return false;
  std::sort(Out.Files.begin(), Out.Files.end());
  return true;
}

}  // namespace platform
