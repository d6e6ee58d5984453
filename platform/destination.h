// A destination folder that files are extracted into, safely: it alone
// knows the disk below its root. Folders are opened one level at a time and
// never through a symbolic link (or, on Windows, a reparse point); a new file
// is made under a unique temporary name that cannot exist before, inside the
// folder already opened, and put in place by a rename relative to that
// folder, so a link planted or a folder swapped meanwhile cannot redirect it.
// Temporary files that a run leaves behind when it is interrupted (SIGINT,
// SIGTERM; Ctrl+C on Windows) are removed before the process ends.
//
// Names are in the system's encoding: on Linux the bytes of the file name;
// on Windows Windows-1252, converted to the system's UTF-16 by code page 1252.
// A path below the root is a list of parts: folders, then the file's name.
// Every part must be a valid single name (runtime/name_rule.h); the
// destination does not check them again.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

using TNameParts = std::vector<std::string>;

// What identifies a file on its system (device and inode, or volume serial
// and file index): two names of one file have the same id.
struct TFileId {
  uint64_t Device = 0;
  uint64_t Index = 0;
  bool operator==(const TFileId&) const = default;
};

// What a name below the root is, never following a link.
enum TEntryKind { ekNone = 0, ekFile = 1, ekFolder = 2, ekLink = 3, ekOther = 4 };
struct TEntryInfo {
  TEntryKind Kind = ekNone;
  int32_t DosDateTime = -1;  // a file's last-write time; -1 when it has no MS-DOS form
  TFileId Id;                // valid for ekFile and ekFolder
};

// A file being written under its temporary name. Used by one thread at a
// time. Destroying it before Commit removes the temporary file.
class ITempFile {
 public:
  virtual ~ITempFile() = default;
  // Appends Size bytes. False, with the system's reason in Reason, when the
  // write failed; the file is then to be discarded.
  virtual bool Write(const void* Data, size_t Size, std::string& Reason) = 0;
  // Sets the last-write time (a local MS-DOS date/time). False when the
  // value is no valid date or the system refused; the file stays usable.
  virtual bool SetDosDateTime(int32_t DosDateTime) = 0;
  // Closes the file, keeping it under its temporary name (so that many
  // files can wait to be put in place without holding a handle each).
  // False with the reason when the system reports a failed write at close.
  virtual bool Close(std::string& Reason) = 0;
  // Closes the file when open, then renames it to Name in the folder it was
  // made in. With Replace, a file or link named Name is replaced (a link is
  // replaced, never followed); without it, an existing Name makes it fail.
  // A folder named Name is never replaced. On failure the temporary file is
  // removed and Reason says why. After Commit the object only owns nothing.
  virtual bool Commit(const std::string& Name, bool Replace, std::string& Reason) = 0;
  // The temporary file's name in its folder (short: it fits beside any name
  // the system takes).
  virtual std::string TempName() const = 0;
};

// Safe for use from several threads at once.
class IDestination {
 public:
  virtual ~IDestination() = default;
  // What Parts names. A folder on the way that is missing gives ekNone; one
  // that is a link or no folder gives ekNone too (nothing below it exists
  // for the destination).
  virtual TEntryInfo Look(const TNameParts& Parts) = 0;
  // Makes the folders Folders (each a part below the previous) where
  // missing. False, with Reason, when one of them is a link, no folder, or
  // cannot be made; the folders made before stay.
  virtual bool MakeFolders(const TNameParts& Folders, std::string& Reason) = 0;
  // A new, empty file under a unique temporary name in the folder Folders
  // (made as by MakeFolders when missing). Null, with Reason, when the
  // folder cannot be opened or made, or the file cannot be created.
  virtual std::unique_ptr<ITempFile> NewTempFile(const TNameParts& Folders, std::string& Reason) = 0;
  // The root as given, in the system's encoding.
  virtual std::string Root() const = 0;
};

// Opens the folder Root (a path in the system's encoding; links in Root
// itself are followed: it is the user's choice), making it and its parents
// when missing. Null, with the system's reason in Reason, when it cannot.
// The folders below the root stay open (Linux: a descriptor each, and the
// first call raises the process's open-file limit to the most allowed;
// Windows: a handle each, so none of them can be renamed or removed) until
// the destination is destroyed; a temporary file keeps its folder open
// until it is committed or destroyed. On Windows a part's trailing dots
// and blanks are dropped, as Windows itself does, and paths may pass
// MAX_PATH.
//
// Interrupts, while any destination exists: on Linux SIGINT and SIGTERM,
// where their action is the default one, remove every live temporary file
// (made, neither committed nor destroyed) and then end the process by that
// signal; a signal the program ignores or handles itself is left to it, and
// a child forked while a destination is open ends by them as by default,
// without removing the temporary files of its own. On Windows a console
// control handler does the same for Ctrl+C, Ctrl+Break and the console
// being closed, then lets the next handler end the process. Either way no
// new temporary file is made afterwards.
std::unique_ptr<IDestination> OpenDestination(const std::string& Root, std::string& Reason);

// The id of the file at Path (links followed). False when there is none.
bool FileIdOf(const std::string& Path, TFileId& Id);

}  // namespace platform
