// A fresh temporary folder per test, removed with everything in it at the end.
#pragma once

#include <string>

namespace testsupport {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // Host path of the folder (no trailing slash).
  const std::string& Path() const { return FPath; }
  // Host path of Name inside the folder.
  std::string operator/(const std::string& Name) const { return FPath + "/" + Name; }

 private:
  std::string FPath;
};

// Whole-file helpers on host paths; ReadFile throws std::runtime_error when
// the file cannot be read.
std::string ReadFile(const std::string& HostPath);
void WriteFile(const std::string& HostPath, const std::string& Bytes);

}  // namespace testsupport
