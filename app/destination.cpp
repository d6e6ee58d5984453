#include "app/destination.h"

namespace {

bool IsLetter(char C) { return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z'); }

}  // namespace

bool IsFullPath(const std::string& Path) {
  if (Path.size() >= 3 && IsLetter(Path[0]) && Path[1] == ':' && Path[2] == '\\') return true;
  if (Path.size() < 5 || Path.compare(0, 2, "\\\\") != 0) return false;
  // "\\server\share": both names present, neither holding another "\".
  size_t shareStart = Path.find('\\', 2);
  if (shareStart == std::string::npos || shareStart == 2) return false;
  size_t shareEnd = Path.find('\\', shareStart + 1);
  return shareEnd != shareStart + 1 && shareStart + 1 < Path.size();
}

std::string FolderOfExecutable(const std::string& Path) {
  size_t slash = Path.find_last_of('\\');
  if (slash == std::string::npos) return "";
  std::string folder = Path.substr(0, slash);
  // A drive's root keeps its backslash: "c:" alone would be relative.
  if (folder.size() == 2 && folder[1] == ':') folder += '\\';
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
