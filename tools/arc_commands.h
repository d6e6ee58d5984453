// velto-arc's commands: create, list, test, extract and installer. The tool's
// main() only hands its arguments and the system's console to RunArc.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "tools/console.h"

namespace arc {

// Exit statuses, stable values.
enum TExitStatus : int {
  esSuccess = 0,  // the command did what it was asked
  esFailure = 1,  // an archive or file error; the message names the file
  esUsage = 2,    // wrong usage: unknown command or option, missing argument
};

// Runs the command in Args (without the program name). Normal output goes to
// Out; messages, prompts and the progress bar to Err.
int RunArc(const std::vector<std::string>& Args, IConsole& Console, std::ostream& Out, std::ostream& Err);

// A FILE argument of create: "SOURCE=STORED" is split at the first "=" that
// is followed by a drive letter, a colon and a backslash; otherwise the whole
// argument is the source and Stored is empty.
void SplitSourceSpec(const std::string& Arg, std::string& Source, std::string& Stored);

// The stored name of a folder given to create as Typed (Windows-1252): the
// folder as named, relative to where the command runs, behind a drive part
// ("src" and "./src/" give c:\src, "/data/src" gives c:\data\src, "d:\src"
// gives d:\src, "." gives c:\), so that extract --full-path, which drops the
// first three characters, makes the folder as it was named. Slashes and
// backslashes both separate; empty and "." parts are dropped. False for a
// name with a ".." part: it has no place below the drive.
bool FolderStoredName(const std::string& Typed, std::string& Stored);

}  // namespace arc
