// What the consoles of every system do alike.
#include "tools/console.h"

#include <iostream>
#include <thread>

namespace arc {

bool IConsole::ReadLine(std::string& Line) { return static_cast<bool>(std::getline(std::cin, Line)); }

int IConsole::Processors() {
  unsigned n = std::thread::hardware_concurrency();
  return n == 0 ? 1 : int(n);
}

}  // namespace arc
