// The one rule for the names of files: how a stored or typed Windows path
// is split into parts, which parts are valid names, and under which key two
// names are the same file on the system being written. Pure text functions
// on Windows-1252 (or, for the key on Linux, the system's bytes).
#pragma once

#include <string>
#include <vector>

// The longest path Windows takes without its long-path prefix, counting
// the terminating zero (MAX_PATH).
inline constexpr size_t kMaxPath = 260;

// True for the separators of a path's parts: the backslash and the slash.
inline bool IsPathSeparator(char C) { return C == '\\' || C == '/'; }

// Path split at every "\" and "/" ("a\b/c" -> {"a", "b", "c"}; "" -> {""};
// "a\\" -> {"a", "", ""}). Empty parts are kept: the caller decides.
std::vector<std::string> SplitPathParts(const std::string& Path);

// Why Part is no valid single name of a file or folder, or "" when it is:
// empty; "." or ".." or any part made only of dots and blanks (Windows
// drops trailing dots and blanks, so "..." and ". ." read as ".." there);
// holding a control character (0x00-0x1F, 0x7F), a separator or a colon.
std::string InvalidPartReason(const std::string& Part);

// The systems whose rule decides whether two names are the same file.
enum class TNameSystem { Windows, Posix };
// The name system of the system this program was built for.
TNameSystem HostNameSystem();

// The key under which Name is one file on System: Windows ignores case over
// all of Windows-1252 ("À.txt" and "à.txt") and drops each part's trailing
// dots and blanks ("a.txt." is "a.txt"); Posix file systems keep case and
// every byte, so the key is the name itself. "/" and "\" are one separator.
std::string FileNameKey(const std::string& Name, TNameSystem System);

// Windows-1252 upper case of one character (à -> À, ÿ -> Ÿ, š -> Š, œ -> Œ,
// ž -> Ž); every other character is returned as it is.
char UpperCp1252(char C);
