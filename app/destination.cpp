#include "app/destination.h"

#include "runtime/name_rule.h"
#include "runtime/windows_path.h"

namespace {

bool IsLetter(char C) { return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z'); }

}  // namespace

bool IsFullPath(const std::string& Path) {
  if (Path.size() >= 3 && IsLetter(Path[0]) && Path[1] == ':' && IsPathSeparator(Path[2])) return true;
  if (Path.size() < 5 || !IsPathSeparator(Path[0]) || !IsPathSeparator(Path[1])) return false;
  // "\\server\share": both names present, neither holding another separator.
  const std::vector<std::string> parts = SplitPathParts(Path.substr(2));
  return parts.size() >= 2 && !parts[0].empty() && !parts[1].empty();
}

std::string FolderOfExecutable(const std::string& Path) {
  if (Path.find_first_of("\\/") == std::string::npos) return "";
  // FolderPart keeps a drive's root backslash: "c:" alone would be relative.
  const std::string folder = FolderPart(Path);
  return IsFullPath(folder) ? folder : "";
}

std::string NotFullPathMessage(const std::string& Folder) {
  return "La cartella di destinazione \"" + Folder +
         "\" non è un percorso completo.\n"
         "Tornare alla pagina della cartella di destinazione, premere Cambia e indicare un percorso che "
         "cominci con la lettera dell'unità, per esempio c:\\programmi\\brovik\\agent.";
}

std::string PathInFolder(const std::string& Folder, const std::string& Name) {
  if (!Folder.empty() && Folder.back() == '\\') return Folder + Name;
  return Folder + "\\" + Name;
}
