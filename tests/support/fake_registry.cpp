#include "tests/support/fake_registry.h"

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

// A key of the inner registry, with the fake's failures and counters.
class FakeRegistryKey : public platform::IRegistryKey {
 public:
  FakeRegistryKey(FakeRegistry& Owner, std::string Canonical, std::unique_ptr<platform::IRegistryKey> Inner,
                  bool ReadOnly = false)
      : FOwner(Owner), FPath(std::move(Canonical)), FInner(std::move(Inner)), FReadOnly(ReadOnly) {}
  ~FakeRegistryKey() override { Close(); }

  bool ValueExists(const std::string& Name) override { return FInner->ValueExists(Name); }
  std::string ReadString(const std::string& Name) override { return FInner->ReadString(Name); }
  std::optional<std::string> ReadBytes(const std::string& Name, size_t MaxBytes) override {
    return FInner->ReadBytes(Name, MaxBytes);
  }
  void WriteString(const std::string& Name, const std::string& Value) override {
    FailIfAsked(Name);
    FInner->WriteString(Name, Value);
    Written(Name);
  }
  void WriteInteger(const std::string& Name, uint32_t Value) override {
    FailIfAsked(Name);
    FInner->WriteInteger(Name, Value);
    Written(Name);
  }
  bool DeleteValue(const std::string& Name) override { return !FReadOnly && FInner->DeleteValue(Name); }
  std::vector<std::string> SubKeyNames() override { return FInner->SubKeyNames(); }
  void Close() override {
    if (FClosed) return;
    FClosed = true;
    FInner->Close();
    ++FOwner.CloseCount;
  }

 private:
  void FailIfAsked(const std::string& Name) {
    if (FReadOnly || FOwner.FailingWrites.count(Lower(Name)))
      throw ERegistryException("Failed to set data for '" + Name + "'");
  }
  void Written(const std::string& Name) {
    FOwner.FWrites[FPath].WriteOrder.push_back(Name);
    ++FOwner.WriteCount;
  }

  FakeRegistry& FOwner;
  std::string FPath;
  std::unique_ptr<platform::IRegistryKey> FInner;
  bool FReadOnly;
  bool FClosed = false;
};

FakeRegistry::FakeRegistry() : FOwnInner(std::make_unique<platform::HostRegistry>()), FInner(*FOwnInner) {}

FakeRegistry::FakeRegistry(platform::IRegistry& Inner) : FInner(Inner) {}

std::unique_ptr<platform::IRegistryKey> FakeRegistry::OpenKey(platform::RootKey Root, const std::string& Path,
                                                              bool CanCreate) {
  if (Unopenable.count(StripPath(Path)) || ReadOnly.count(StripPath(Path))) {
    FLastOpenError = "Access denied.";
    return nullptr;
  }
  auto inner = FInner.OpenKey(Root, Path, CanCreate);
  if (!inner) return nullptr;
  ++OpenCount;
  return std::make_unique<FakeRegistryKey>(*this, Canonical(Root, Path), std::move(inner));
}

std::unique_ptr<platform::IRegistryKey> FakeRegistry::OpenKeyReadOnly(platform::RootKey Root, const std::string& Path) {
  if (Unopenable.count(StripPath(Path))) {
    FLastOpenError = "Access denied.";
    return nullptr;
  }
  auto inner = FInner.OpenKeyReadOnly(Root, Path);
  if (!inner) return nullptr;
  ++OpenCount;
  ++ReadOnlyOpenCount;
  return std::make_unique<FakeRegistryKey>(*this, Canonical(Root, Path), std::move(inner), true);
}

bool FakeRegistry::KeyExists(platform::RootKey Root, const std::string& Path) { return FInner.KeyExists(Root, Path); }

bool FakeRegistry::DeleteKey(platform::RootKey Root, const std::string& Path) {
  if (Unopenable.count(StripPath(Path))) return false;
  if (!FInner.DeleteKey(Root, Path)) return false;
  const std::string canonical = Canonical(Root, Path);
  const std::string prefix = canonical + "\\";
  std::erase_if(FWrites, [&](const auto& kv) { return kv.first == canonical || kv.first.rfind(prefix, 0) == 0; });
  return true;
}

void FakeRegistry::MakeKey(platform::RootKey Root, const std::string& Path) {
  if (!FInner.OpenKey(Root, Path, true)) throw std::runtime_error("cannot make key " + Path);
}

void FakeRegistry::SetString(platform::RootKey Root, const std::string& Path, const std::string& Name,
                             const std::string& Text) {
  auto key = FInner.OpenKey(Root, Path, true);
  if (!key) throw std::runtime_error("cannot make key " + Path);
  key->WriteString(Name, Text);
}

void FakeRegistry::SetNumber(platform::RootKey Root, const std::string& Path, const std::string& Name,
                             uint32_t Number) {
  auto key = FInner.OpenKey(Root, Path, true);
  if (!key) throw std::runtime_error("cannot make key " + Path);
  key->WriteInteger(Name, Number);
}

void FakeRegistry::MakeUnopenable(const std::string& Path) { Unopenable.insert(StripPath(Path)); }

std::string FakeRegistry::Dump() const {
  auto* host = dynamic_cast<const platform::HostRegistry*>(&FInner);
  return host ? host->Dump() : std::string();
}

bool FakeRegistry::HasKey(platform::RootKey Root, const std::string& Path) const {
  return FInner.KeyExists(Root, Path);
}

const FakeRegistry::Key& FakeRegistry::KeyAt(platform::RootKey Root, const std::string& Path) const {
  if (!HasKey(Root, Path)) throw std::out_of_range("no key " + Path);
  return FWrites[Canonical(Root, Path)];
}

std::string FakeRegistry::StringAt(platform::RootKey Root, const std::string& Path, const std::string& Name) const {
  auto key = FInner.OpenKey(Root, Path, false);
  if (!key || !key->ValueExists(Name)) return "<missing>";
  try {
    return key->ReadString(Name);
  } catch (const ERegistryException&) {
    return "<missing>";
  }
}

}  // namespace testsupport
