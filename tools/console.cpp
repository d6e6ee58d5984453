// What the consoles of every system do alike.
#include "tools/console.h"

#include <iostream>

#include "platform/threads.h"

namespace arc {

bool IConsole::ReadLine(std::string& Line) { return static_cast<bool>(std::getline(std::cin, Line)); }

int IConsole::Processors() { return platform::ProcessorCount(); }

bool IConsole::SystemName(const std::string& Stored, std::string& Name) {
  Name = Stored;
  return true;
}

bool IConsole::StoredName(const std::string& Name, std::string& Stored) {
  Stored = Name;
  return true;
}

std::string IConsole::ShownName(const std::string& Name) {
  std::string stored;
  return StoredName(Name, stored) ? ToTerminal(stored) : Name;
}

}  // namespace arc
