#include "tests/support/fake_registry.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

#include "runtime/exceptions.h"

namespace testsupport {

namespace {

std::string Lower(std::string S) {
  for (char& c : S) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return S;
}

std::string StripPath(const std::string& Path) {
  std::string p = Lower(Path);
  while (!p.empty() && p.front() == '\\') p.erase(p.begin());
  while (!p.empty() && p.back() == '\\') p.pop_back();
  return p;
}

}  // namespace

std::string FakeRegistry::Canonical(platform::RootKey Root, const std::string& Path) {
  return std::to_string(static_cast<int>(Root)) + ":" + StripPath(Path);
}

class FakeRegistryKey : public platform::IRegistryKey {
 public:
  FakeRegistryKey(FakeRegistry& Owner, std::string Canonical) : FOwner(Owner), FPath(std::move(Canonical)) {}
  ~FakeRegistryKey() override { Close(); }

  bool ValueExists(const std::string& Name) override {
    Key* k = Find();
    return k && k->Values.count(Lower(Name));
  }
  std::string ReadString(const std::string& Name) override {
    Key* k = Find();
    if (!k) return "";
    auto it = k->Values.find(Lower(Name));
    if (it == k->Values.end()) return "";
    if (!it->second.IsString) throw ERegistryException("Invalid data type for '" + Name + "'");
    return it->second.Text;
  }
  std::optional<std::string> ReadBytes(const std::string& Name, size_t MaxBytes) override {
    Key* k = Find();
    if (!k) return std::nullopt;
    auto it = k->Values.find(Lower(Name));
    if (it == k->Values.end()) return std::nullopt;
    std::string data = it->second.Text + '\0';
    if (!it->second.IsString) data = platform::NumberBytes(it->second.Number);
    if (data.size() > MaxBytes) return std::nullopt;
    return data;
  }
  void WriteString(const std::string& Name, const std::string& Value) override {
    Key* k = Find();
    if (!k || FOwner.FailingWrites.count(Lower(Name)))
      throw ERegistryException("Failed to set data for '" + Name + "'");
    k->Values[Lower(Name)] = {true, Value, 0};
    k->WriteOrder.push_back(Name);
    ++FOwner.WriteCount;
  }
  void WriteInteger(const std::string& Name, uint32_t Value) override {
    Key* k = Find();
    if (!k || FOwner.FailingWrites.count(Lower(Name)))
      throw ERegistryException("Failed to set data for '" + Name + "'");
    k->Values[Lower(Name)] = {false, "", Value};
    k->WriteOrder.push_back(Name);
    ++FOwner.WriteCount;
  }
  bool DeleteValue(const std::string& Name) override {
    Key* k = Find();
    return k && k->Values.erase(Lower(Name)) > 0;
  }
  std::vector<std::string> SubKeyNames() override {
    std::vector<std::string> names;
    std::string prefix = FPath + "\\";
    for (const auto& [path, key] : FOwner.FKeys) {
      if (path.rfind(prefix, 0) != 0) continue;
      std::string rest = path.substr(prefix.size());
      if (rest.find('\\') == std::string::npos) names.push_back(rest);
    }
    return names;
  }
  void Close() override {
    if (FClosed) return;
    FClosed = true;
    ++FOwner.CloseCount;
  }

 private:
  using Key = FakeRegistry::Key;
  Key* Find() {
    if (FClosed) return nullptr;
    auto it = FOwner.FKeys.find(FPath);
    return it == FOwner.FKeys.end() ? nullptr : &it->second;
  }
  FakeRegistry& FOwner;
  std::string FPath;
  bool FClosed = false;
};

std::unique_ptr<platform::IRegistryKey> FakeRegistry::OpenKey(platform::RootKey Root, const std::string& Path,
                                                              bool CanCreate) {
  if (Unopenable.count(StripPath(Path))) return nullptr;
  std::string canonical = Canonical(Root, Path);
  if (!FKeys.count(canonical)) {
    if (!CanCreate) return nullptr;
    MakeKey(Root, Path);
  }
  ++OpenCount;
  return std::make_unique<FakeRegistryKey>(*this, canonical);
}

bool FakeRegistry::KeyExists(platform::RootKey Root, const std::string& Path) { return HasKey(Root, Path); }

bool FakeRegistry::DeleteKey(platform::RootKey Root, const std::string& Path) {
  std::string canonical = Canonical(Root, Path);
  if (!FKeys.count(canonical) || Unopenable.count(StripPath(Path))) return false;
  std::string prefix = canonical + "\\";
  std::erase_if(FKeys, [&](const auto& kv) { return kv.first == canonical || kv.first.rfind(prefix, 0) == 0; });
  return true;
}

void FakeRegistry::MakeKey(platform::RootKey Root, const std::string& Path) {
  std::string p = StripPath(Path);
  // Every parent exists as well.
  size_t pos = 0;
  while ((pos = p.find('\\', pos)) != std::string::npos) {
    FKeys[Canonical(Root, p.substr(0, pos))];
    ++pos;
  }
  FKeys[Canonical(Root, p)];
}

void FakeRegistry::SetString(platform::RootKey Root, const std::string& Path, const std::string& Name,
                             const std::string& Text) {
  MakeKey(Root, Path);
  FKeys[Canonical(Root, Path)].Values[Lower(Name)] = {true, Text, 0};
}

void FakeRegistry::SetNumber(platform::RootKey Root, const std::string& Path, const std::string& Name,
                             uint32_t Number) {
  MakeKey(Root, Path);
  FKeys[Canonical(Root, Path)].Values[Lower(Name)] = {false, "", Number};
}

void FakeRegistry::MakeUnopenable(const std::string& Path) { Unopenable.insert(StripPath(Path)); }

bool FakeRegistry::HasKey(platform::RootKey Root, const std::string& Path) const {
  return FKeys.count(Canonical(Root, Path)) > 0;
}

const FakeRegistry::Key& FakeRegistry::KeyAt(platform::RootKey Root, const std::string& Path) const {
  return FKeys.at(Canonical(Root, Path));
}

std::string FakeRegistry::StringAt(platform::RootKey Root, const std::string& Path, const std::string& Name) const {
  auto k = FKeys.find(Canonical(Root, Path));
  if (k == FKeys.end()) return "<missing>";
  auto v = k->second.Values.find(Lower(Name));
  if (v == k->second.Values.end() || !v->second.IsString) return "<missing>";
  return v->second.Text;
}

}  // namespace testsupport
