// Pieces of Windows paths, taken apart the way the system does: a path's
// separators are the backslash, the slash (Windows reads it as a backslash)
// and, after a drive letter, the colon.
// Pure text functions: they never touch the file system and never normalise
// (no slash conversion, no "." or ".." folding).
#pragma once

#include <string>

// The text after the last backslash, slash or colon; all of Path when it has
// none ("c:\a\b.exe" -> "b.exe", "c:\a/b.exe" -> "b.exe", "c:b.exe" -> "b.exe",
// "b.exe" -> "b.exe").
std::string FileNamePart(const std::string& Path);

// The text up to and including the last backslash, slash or colon, so that a
// non-empty result ends with one of them; "" when Path has none
// ("c:\a\b.exe" -> "c:\a\", "c:b.exe" -> "c:").
std::string FolderPathPart(const std::string& Path);

// The folder that holds Path, without trailing separators except where the
// separator is the root itself ("c:\a\b" -> "c:\a", "c:\b" -> "c:\",
// "\b" -> "\", "c:b" -> "c:"); "" when Path has no folder part.
std::string FolderPart(const std::string& Path);

// Path with a backslash appended, unless it is empty or already ends with a
// backslash, a slash or a colon (a bare "c:" stays the current folder of drive c:).
std::string WithTrailingBackslash(const std::string& Path);

// Path without its trailing backslashes and slashes, except the one of a root
// ("c:\", "c:/" and "\" stay as they are).
std::string WithoutTrailingBackslash(const std::string& Path);
