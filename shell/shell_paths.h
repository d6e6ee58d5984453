// Path rules of the shell component: file name and folder of a path, the
// system's path limit, and which list entries name a file directly inside a
// folder.
#pragma once

#include <string>

namespace shellpaths {

// The system's path buffer: 260 characters, the terminator included.
inline constexpr size_t kMaxPath = 260;

// The part after the last "\" or ":" (the whole text when there is none).
std::string FileNameOf(const std::string& Path);
// The part up to and including the last "\" or ":" ("" when there is none).
std::string FolderOf(const std::string& Path);
// True when Path with its terminator fits kMaxPath.
inline bool FitsMaxPath(const std::string& Path) { return Path.size() < kMaxPath; }
// True when Entry names something directly inside a folder: not empty, no
// "\", "/" or ":", and not made only of dots and blanks (which the system
// turns into the folder itself or its parent).
bool IsPlainFileName(const std::string& Entry);

}  // namespace shellpaths
