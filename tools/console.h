// What velto-arc needs from the system it runs on; one implementation per
// system (console_posix.cpp, console_win32.cpp), chosen by CMake.
#pragma once

#include <memory>
#include <string>

#include "platform/filesystem.h"

namespace arc {

class IConsole {
 public:
  virtual ~IConsole() = default;
  // The file system the archive component works on.
  virtual platform::IFileSystem& Files() = 0;
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
  // Reads a line typed on standard input; false at its end. The same on
  // every system (console.cpp); tests replace it.
  virtual bool ReadLine(std::string& Line);
  // Processors available to compress on (at least 1).
  virtual int Processors();
};

// The console of the system the tool was built for.
std::unique_ptr<IConsole> MakeConsole();

}  // namespace arc
