// Tests that run velto-arc's commands in this process, over the host file
// system, in a fresh folder that the scripted console answers for.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"
#include "tests/tools/scripted_console.h"
#include "tools/arc_commands.h"

namespace testarc {

class ArcRunTest : public ::testing::Test {
 protected:
  struct Result {
    int Status;
    std::string Out, Err;
  };
  // Runs velto-arc with Args; what it printed and its exit status.
  Result Run(const std::vector<std::string>& Args) {
    std::ostringstream out, err;
    int status = arc::RunArc(Args, Console, out, err);
    return {status, out.str(), err.str()};
  }
  // Writes Bytes to Name below the folder, making the folders on the way.
  void Put(const std::string& Name, const std::string& Bytes) {
    std::filesystem::create_directories(std::filesystem::path(Dir / Name).parent_path());
    testsupport::WriteFile(Dir / Name, Bytes);
  }
  std::string Get(const std::string& Name) { return testsupport::ReadFile(Dir / Name); }

  testsupport::TempDir Dir;
  ScriptedConsole Console{Dir.Path()};
};

}  // namespace testarc
