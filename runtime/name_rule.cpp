#include "runtime/name_rule.h"

namespace {

bool IsDotOrBlank(char C) { return C == '.' || C == ' '; }

bool IsControl(char C) {
  const unsigned char byte = static_cast<unsigned char>(C);
  return byte < 0x20 || byte == 0x7F;
}

// Part without its trailing dots and blanks, as Windows opens it. A part made
// only of dots and blanks is kept whole: it names no file of its own ("." and
// ".." are folders of the path), and folding it to "" would make "a\.." and
// "a\." one key.
std::string WithoutTrailingDotsAndBlanks(const std::string& Part) {
  size_t end = Part.size();
  while (end > 0 && IsDotOrBlank(Part[end - 1])) --end;
  return end == 0 ? Part : Part.substr(0, end);
}

}  // namespace

std::vector<std::string> SplitPathParts(const std::string& Path) {
  std::vector<std::string> parts(1);
  for (char c : Path) {
    if (IsPathSeparator(c))
      parts.emplace_back();
    else
      parts.back() += c;
  }
  return parts;
}

std::string InvalidPartReason(const std::string& Part) {
  if (Part.empty()) return "an empty part";
  for (char c : Part) {
    if (IsControl(c)) return "a control character";
    if (IsPathSeparator(c)) return "a separator";
    if (c == ':') return "a colon";
  }
  if (Part.find_first_not_of(' ') == std::string::npos) return "a blank part";
  if (Part.find_first_not_of(". ") == std::string::npos) return "a dot part";
  return "";
}

char UpperCp1252(char C) {
  const unsigned char byte = static_cast<unsigned char>(C);
  if (byte >= 'a' && byte <= 'z') return static_cast<char>(byte - 0x20);
  if (byte >= 0xE0 && byte <= 0xFE && byte != 0xF7) return static_cast<char>(byte - 0x20);
  switch (byte) {
    case 0x9A:  // š
    case 0x9C:  // œ
    case 0x9E:  // ž
      return static_cast<char>(byte - 0x10);
    case 0xFF:  // ÿ
      return static_cast<char>(0x9F);
    default:
      return C;
  }
}

std::string FileNameKey(const std::string& Name, TNameSystem System) {
  std::string key;
  key.reserve(Name.size());
  if (System == TNameSystem::Posix) {
    for (char c : Name) key += IsPathSeparator(c) ? '/' : c;
    return key;
  }
  bool first = true;
  for (const std::string& part : SplitPathParts(Name)) {
    if (!first) key += '\\';
    first = false;
    for (char c : WithoutTrailingDotsAndBlanks(part)) key += UpperCp1252(c);
  }
  return key;
}
