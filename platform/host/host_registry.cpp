#include "platform/host/host_registry.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "runtime/exceptions.h"

namespace platform {

namespace {

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

std::vector<std::string> PathPieces(const std::string& Path) {
  std::vector<std::string> pieces;
  std::string piece;
  for (char c : Path) {
    if (c == '\\') {
      if (!piece.empty()) pieces.push_back(piece);
      piece.clear();
    } else {
      piece += c;
    }
  }
  if (!piece.empty()) pieces.push_back(piece);
  return pieces;
}

const char* RootName(RootKey Root) {
  switch (Root) {
    case RootKey::ClassesRoot:
      return "HKCR";
    case RootKey::CurrentUser:
      return "HKCU";
    case RootKey::LocalMachine:
      return "HKLM";
    case RootKey::Users:
      return "HKU";
  }
  return "HKCU";
}

bool RootOfName(const std::string& Name, RootKey& Root) {
  for (RootKey r : {RootKey::ClassesRoot, RootKey::CurrentUser, RootKey::LocalMachine, RootKey::Users})
    if (Name == RootName(r)) {
      Root = r;
      return true;
    }
  return false;
}

std::string Escape(const std::string& s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\n':
        out += "\\n";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string Unescape(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size()) {
      char n = s[++i];
      out += n == 't' ? '\t' : n == 'r' ? '\r' : n == 'n' ? '\n' : n;
    } else {
      out += s[i];
    }
  }
  return out;
}

std::vector<std::string> SplitTabs(const std::string& Line) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (;;) {
    size_t tab = Line.find('\t', start);
    fields.push_back(Line.substr(start, tab - start));
    if (tab == std::string::npos) return fields;
    start = tab + 1;
  }
}

}  // namespace

struct HostRegistry::Node {
  struct Value {
    std::string Name;
    bool IsNumber = false;
    std::string Text;
    uint32_t Number = 0;
  };
  std::string Name;
  bool Deleted = false;
  std::map<std::string, Value> Values;                    // by lower-case name
  std::map<std::string, std::shared_ptr<Node>> Children;  // by lower-case name

  void MarkDeleted() {
    Deleted = true;
    for (auto& [lower, child] : Children) child->MarkDeleted();
  }
};

// An open key. It keeps its node alive; once the node is deleted from the
// tree, reads find nothing and writes fail, as with a deleted Windows key.
class HostRegistryKey : public IRegistryKey {
 public:
  HostRegistryKey(HostRegistry& Owner, std::shared_ptr<HostRegistry::Node> Node, bool ReadOnly)
      : FOwner(Owner), FNode(std::move(Node)), FReadOnly(ReadOnly) {}
  ~HostRegistryKey() override { Close(); }

  bool ValueExists(const std::string& Name) override { return Usable() && FNode->Values.count(Lower(Name)) != 0; }
  std::string ReadString(const std::string& Name) override {
    if (!Usable()) return "";
    auto it = FNode->Values.find(Lower(Name));
    if (it == FNode->Values.end()) return "";
    if (it->second.IsNumber) throw ERegistryException("Invalid data type for '" + Name + "'");
    return it->second.Text;
  }
  std::optional<std::string> ReadBytes(const std::string& Name, size_t MaxBytes) override {
    if (!Usable()) return std::nullopt;
    auto it = FNode->Values.find(Lower(Name));
    if (it == FNode->Values.end()) return std::nullopt;
    std::string data = it->second.IsNumber ? NumberBytes(it->second.Number) : it->second.Text + '\0';
    if (data.size() > MaxBytes) return std::nullopt;
    return data;
  }
  void WriteString(const std::string& Name, const std::string& Value) override { Store(Name, false, Value, 0); }
  void WriteInteger(const std::string& Name, uint32_t Value) override { Store(Name, true, "", Value); }
  bool DeleteValue(const std::string& Name) override {
    if (!Usable() || FReadOnly || FNode->Values.erase(Lower(Name)) == 0) return false;
    FOwner.Changed();
    return true;
  }
  std::vector<std::string> SubKeyNames() override {
    std::vector<std::string> names;
    if (Usable())
      for (auto& [lower, child] : FNode->Children) names.push_back(child->Name);
    return names;
  }
  void Close() override { FNode.reset(); }

 private:
  bool Usable() const { return FNode && !FNode->Deleted; }
  void Store(const std::string& Name, bool IsNumber, const std::string& Text, uint32_t Number) {
    if (!Usable() || FReadOnly) throw ERegistryException("Failed to set data for '" + Name + "'");
    auto& value = FNode->Values[Lower(Name)];
    if (value.Name.empty()) value.Name = Name;
    value.IsNumber = IsNumber;
    value.Text = Text;
    value.Number = Number;
    FOwner.Changed();
  }

  HostRegistry& FOwner;
  std::shared_ptr<HostRegistry::Node> FNode;
  bool FReadOnly;
};

HostRegistry::HostRegistry() {
  for (RootKey r : {RootKey::ClassesRoot, RootKey::CurrentUser, RootKey::LocalMachine, RootKey::Users})
    FRoots[r] = std::make_shared<Node>();
}

HostRegistry::HostRegistry(std::string FileName) : HostRegistry() {
  FFileName = std::move(FileName);
  Load();
}

HostRegistry::~HostRegistry() = default;

std::shared_ptr<HostRegistry::Node> HostRegistry::Find(RootKey Root, const std::string& Path, bool Create) {
  std::shared_ptr<Node> node = FRoots[Root];
  bool created = false;
  for (const std::string& piece : PathPieces(Path)) {
    auto it = node->Children.find(Lower(piece));
    if (it == node->Children.end()) {
      if (!Create) return nullptr;
      auto child = std::make_shared<Node>();
      child->Name = piece;
      it = node->Children.emplace(Lower(piece), child).first;
      created = true;
    }
    node = it->second;
  }
  if (created) Changed();
  return node;
}

std::unique_ptr<IRegistryKey> HostRegistry::OpenKey(RootKey Root, const std::string& Path, bool CanCreate) {
  std::shared_ptr<Node> node = Find(Root, Path, CanCreate);
  if (!node) return nullptr;
  return std::make_unique<HostRegistryKey>(*this, node, false);
}

std::unique_ptr<IRegistryKey> HostRegistry::OpenKeyReadOnly(RootKey Root, const std::string& Path) {
  std::shared_ptr<Node> node = Find(Root, Path, false);
  if (!node) return nullptr;
  return std::make_unique<HostRegistryKey>(*this, node, true);
}

bool HostRegistry::KeyExists(RootKey Root, const std::string& Path) { return Find(Root, Path, false) != nullptr; }

bool HostRegistry::DeleteKey(RootKey Root, const std::string& Path) {
  std::vector<std::string> pieces = PathPieces(Path);
  if (pieces.empty()) return false;  // never a root key
  std::string last = pieces.back();
  pieces.pop_back();
  std::shared_ptr<Node> parent = FRoots[Root];
  for (const std::string& piece : pieces) {
    auto it = parent->Children.find(Lower(piece));
    if (it == parent->Children.end()) return false;
    parent = it->second;
  }
  auto it = parent->Children.find(Lower(last));
  if (it == parent->Children.end()) return false;
  it->second->MarkDeleted();
  parent->Children.erase(it);
  Changed();
  return true;
}

std::string HostRegistry::Dump() const {
  std::ostringstream out;
  out << "velto-registry 1\n";
  struct Walker {
    std::ostringstream& Out;
    void Walk(const Node& N, const std::string& Path) {
      Out << "key\t" << Escape(Path) << '\n';
      for (auto& [lower, v] : N.Values) {
        if (v.IsNumber)
          Out << "dword\t" << Escape(v.Name) << '\t' << v.Number << '\n';
        else
          Out << "sz\t" << Escape(v.Name) << '\t' << Escape(v.Text) << '\n';
      }
      for (auto& [lower, child] : N.Children) Walk(*child, Path + "\\" + child->Name);
    }
  } walker{out};
  for (auto& [root, node] : FRoots) walker.Walk(*node, RootName(root));
  return out.str();
}

void HostRegistry::Changed() {
  if (FFileName.empty() || FLoading) return;
  // Written beside the file and renamed, so a crash never leaves half a file.
  std::string temp = FFileName + ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out << Dump();
    if (!out) return;
  }
  std::rename(temp.c_str(), FFileName.c_str());
}

bool HostRegistry::Load() {
  std::ifstream in(FFileName, std::ios::binary);
  if (!in) return false;
  std::string line;
  if (!std::getline(in, line) || line != "velto-registry 1") return false;
  FLoading = true;
  std::shared_ptr<Node> current;
  while (std::getline(in, line)) {
    std::vector<std::string> f = SplitTabs(line);
    if (f[0] == "key" && f.size() == 2) {
      std::string path = Unescape(f[1]);
      size_t slash = path.find('\\');
      RootKey root;
      if (!RootOfName(path.substr(0, slash), root)) {
        current = nullptr;
        continue;
      }
      current = Find(root, slash == std::string::npos ? "" : path.substr(slash + 1), true);
    } else if (current && (f[0] == "sz" || f[0] == "dword") && f.size() == 3) {
      auto& value = current->Values[Lower(Unescape(f[1]))];
      value.Name = Unescape(f[1]);
      value.IsNumber = f[0] == "dword";
      if (value.IsNumber)
        value.Number = static_cast<uint32_t>(std::strtoul(f[2].c_str(), nullptr, 10));
      else
        value.Text = Unescape(f[2]);
    }
  }
  FLoading = false;
  return true;
}

}  // namespace platform
