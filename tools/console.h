// What velto-arc needs from the system it runs on; one implementation per
// system (console_posix.cpp, console_win32.cpp), chosen by CMake.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/filesystem.h"
#include "platform/folder_walk.h"

namespace arc {

class IConsole {
 public:
  virtual ~IConsole() = default;
  // The file system the archive component works on, and the walk of its
  // folders (component paths).
  virtual platform::IFileSystem& Files() = 0;
  virtual platform::IFolderWalk& Folders() = 0;
  // The Windows path the component uses for a path given on the command
  // line (made absolute first); on Linux a path on drive Z:.
  virtual std::string ComponentPath(const std::string& Path) = 0;
  // A component path as the user knows it (on Linux the host path of a
  // path on drive Z:).
  virtual std::string DisplayPath(const std::string& ComponentPath) = 0;
  // The current folder as a component path.
  virtual std::string CurrentFolder() = 0;
  // Whether standard error and standard input are terminals.
  virtual bool ErrIsTerminal() = 0;
  virtual bool InIsTerminal() = 0;
  // Windows-1252 text as the terminal shows it, and typed text as
  // Windows-1252 (false when it holds a character the code page lacks).
  virtual std::string ToTerminal(const std::string& Text) = 0;
  virtual bool FromTerminal(const std::string& Typed, std::string& Text) = 0;
  // A name or path in the system's encoding (as typed, or as the system
  // gives it) as the terminal shows it: the one conversion of such names
  // for every output and progress line. A name that cannot be converted is
  // shown as it is.
  std::string ShownName(const std::string& Name);
  // Reads a line typed on standard input; false at its end. The same on
  // every system (console.cpp); tests replace it.
  virtual bool ReadLine(std::string& Line);
  // Processors available to compress on (at least 1).
  virtual int Processors();

  // A stored name (Windows-1252) as the system's file names spell it, and a
  // system file name as Windows-1252; false when it cannot be converted.
  // Both keep the text as it is unless a system overrides them.
  virtual bool SystemName(const std::string& Stored, std::string& Name);
  virtual bool StoredName(const std::string& Name, std::string& Stored);
};

// The console of the system the tool was built for.
std::unique_ptr<IConsole> MakeConsole();

}  // namespace arc
