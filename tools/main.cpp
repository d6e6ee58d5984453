// velto-arc: creates, lists, tests and extracts archives and makes
// installers. All logic is in arc_commands.cpp.
#include <iostream>
#include <string>
#include <vector>

#include "tools/arc_commands.h"
#include "tools/console.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  auto console = arc::MakeConsole();
  return arc::RunArc(args, *console, std::cout, std::cerr);
}
