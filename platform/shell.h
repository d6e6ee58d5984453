// The shell, in the logic's terms: special folders, shell-link objects and
// "open" of a web address. The link side follows the system's object model
// one call at a time, so that the caller decides the order of the steps and
// what a failed step skips: initialise the object library, create a link
// object, set its fields, ask it for its file side, save.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

// Special-folder ids, with the Windows API's values.
enum : int { sfPrograms = 2, sfStartMenu = 11, sfDesktopDirectory = 16 };

// The file side of a link object. Released when destroyed.
class IShellLinkFile {
 public:
  virtual ~IShellLinkFile() = default;
  // Writes the link to Path (an ANSI path, converted to UTF-16 by the
  // implementation) and makes it the object's current file. False when it
  // could not be written; nothing else changes then.
  virtual bool Save(const std::string& Path) = 0;
};

// A shell-link object in memory. Released when destroyed. The setters return
// false when the object refused the value.
class IShellLinkObject {
 public:
  virtual ~IShellLinkObject() = default;
  virtual bool SetPath(const std::string& Target) = 0;
  virtual bool SetDescription(const std::string& Description) = 0;
  virtual bool SetShowCmd(int ShowCommand) = 0;
  // The object's file side; nullptr when the object has none. The file side
  // keeps the object alive on its own.
  virtual std::unique_ptr<IShellLinkFile> QueryFile() = 0;
};

class IShell {
 public:
  virtual ~IShell() = default;
  // The path of special folder FolderId (an sf* id), without a trailing
  // backslash, at most 259 characters. False when the folder cannot be
  // resolved; Path is left unchanged then. Every resource the lookup takes
  // is released before it returns, whether it succeeded or not.
  virtual bool SpecialFolderPath(int FolderId, std::string& Path) = 0;
  // Initialises the object library for this thread (single-threaded
  // apartment). True for every success code, also "already initialised";
  // false for a failure code. Each call that returned true, and each call
  // the caller chooses to pair anyway, is undone by UninitializeObjects.
  virtual bool InitializeObjects() = 0;
  virtual void UninitializeObjects() = 0;
  // A new, empty link object (in-process server); nullptr when it cannot be
  // created.
  virtual std::unique_ptr<IShellLinkObject> CreateShellLink() = 0;
  // Asks the shell to "open" Url (a web address) with the user's browser,
  // without waiting for it: OwnerWindow (a window handle, or 0) as owner, no
  // parameters, no working folder, ShowState (swShowNormal) as show state.
  // True when the shell reports that it started it.
  virtual bool OpenUrl(uintptr_t OwnerWindow, const std::string& Url, int ShowState) = 0;
};

}  // namespace platform
