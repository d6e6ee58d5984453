// Rules for the destination folder of an install run.
#pragma once

#include <string>

// True when Path is a full Windows path that names its volume: a drive
// letter, ":" and "\" ("c:\programmi"), or "\\server\share" with an optional
// "\" and more after it; "/" counts as "\" throughout. A relative path ("Velto", "c;\Velto", "\Velto",
// "c:Velto") would be resolved against whatever folder is current.
bool IsFullPath(const std::string& Path);

// The folder of the executable path Path (FolderPart: the text before its
// last "\" or "/"; for "c:\velto.exe", "c:\"). Empty when that folder is not a full path, so a
// record holding a relative or empty path offers nothing.
std::string FolderOfExecutable(const std::string& Path);

// The box "Installa" shows, with the refused folder put in place of %s.
std::string NotFullPathMessage(const std::string& Folder);

// The path of Name directly inside Folder (as WithoutTrailingBackslash
// gives it): "c:\x" and "velto.exe" give "c:\x\velto.exe", "c:\" gives
// "c:\velto.exe".
std::string PathInFolder(const std::string& Folder, const std::string& Name);
