#include "support/MemoryRegistry.h"

#include <map>
#include <memory>
#include <utility>

namespace {

std::string FoldName(const std::string& name) {
  std::string folded = name;
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  }
  return folded;
}

std::vector<std::string> SplitKeyPath(const std::string& path) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    if (end > start) parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

}  // namespace

struct TMemoryRegistry::TKey {
  std::string Name;
  bool Locked = false;
  std::map<std::string, std::unique_ptr<TKey>> Subkeys;  // by folded name
  std::vector<std::pair<std::string, TRegistryValue>> Values;

  TKey* Find(const std::string& path) {
    TKey* key = this;
    for (const std::string& part : SplitKeyPath(path)) {
      const auto it = key->Subkeys.find(FoldName(part));
      if (it == key->Subkeys.end()) return nullptr;
      key = it->second.get();
    }
    return key;
  }
  // Creates what is missing of path; nullptr when a locked key is in the way.
  TKey* Create(const std::string& path) {
    TKey* key = this;
    for (const std::string& part : SplitKeyPath(path)) {
      const auto it = key->Subkeys.find(FoldName(part));
      if (it != key->Subkeys.end()) {
        key = it->second.get();
        continue;
      }
      if (key->Locked) return nullptr;
      auto child = std::make_unique<TKey>();
      child->Name = part;
      key = (key->Subkeys[FoldName(part)] = std::move(child)).get();
    }
    return key;
  }
  std::pair<std::string, TRegistryValue>* FindValue(const std::string& name) {
    const std::string folded = FoldName(name);
    for (auto& value : Values) {
      if (FoldName(value.first) == folded) return &value;
    }
    return nullptr;
  }
};

class TMemoryRegistryAccess : public TRegistryAccess {
public:
  explicit TMemoryRegistryAccess(TMemoryRegistry& registry) : FRegistry(registry) {}

  bool KeyExists(const std::string& path) override { return FRegistry.FRoot->Find(path) != nullptr; }
  bool CreateKey(const std::string& path) override { return FRegistry.FRoot->Create(path) != nullptr; }
  bool OpenKey(const std::string& path, bool canCreate) override {
    CloseKey();
    TMemoryRegistry::TKey* key = canCreate ? FRegistry.FRoot->Create(path) : FRegistry.FRoot->Find(path);
    if (!key || key->Locked) return false;
    FOpenPath = path;
    FOpen = true;
    return true;
  }
  void CloseKey() override { FOpen = false; }
  bool DeleteKeyTree(const std::string& path) override {
    const std::vector<std::string> parts = SplitKeyPath(path);
    if (parts.empty()) return false;
    TMemoryRegistry::TKey* key = FRegistry.FRoot->Find(path);
    if (!key) return false;
    DeleteSubkeys(*key);
    if (key->Locked || !key->Subkeys.empty()) return false;
    std::string parent;
    for (size_t i = 0; i + 1 < parts.size(); ++i) parent += "\\" + parts[i];
    FRegistry.FRoot->Find(parent)->Subkeys.erase(FoldName(parts.back()));
    return true;
  }
  TRegistryReadResult ReadValue(const std::string& name, TRegistryValue& value) override {
    TMemoryRegistry::TKey* key = OpenedKey();
    const auto* found = key ? key->FindValue(name) : nullptr;
    if (!found) return rrNoValue;
    value = found->second;
    return rrValue;
  }
  bool WriteValue(const std::string& name, const TRegistryValue& value) override {
    TMemoryRegistry::TKey* key = OpenedKey();
    if (!key || key->Locked) return false;
    if (auto* found = key->FindValue(name)) {
      found->second = value;
    } else {
      key->Values.emplace_back(name, value);
    }
    return true;
  }
  std::vector<std::string> ValueNames() override {
    std::vector<std::string> names;
    if (TMemoryRegistry::TKey* key = OpenedKey()) {
      for (const auto& value : key->Values) names.push_back(value.first);
    }
    return names;
  }

private:
  // The open key, unless someone deleted it meanwhile.
  TMemoryRegistry::TKey* OpenedKey() { return FOpen ? FRegistry.FRoot->Find(FOpenPath) : nullptr; }

  // Subkeys go deepest first; a locked one stays, and with it its parents.
  static void DeleteSubkeys(TMemoryRegistry::TKey& key) {
    for (auto it = key.Subkeys.begin(); it != key.Subkeys.end();) {
      DeleteSubkeys(*it->second);
      if (!it->second->Locked && it->second->Subkeys.empty()) {
        it = key.Subkeys.erase(it);
      } else {
        ++it;
      }
    }
  }

  TMemoryRegistry& FRegistry;
  bool FOpen = false;
  std::string FOpenPath;
};

TMemoryRegistry::TMemoryRegistry() : FRoot(std::make_unique<TKey>()) {}
TMemoryRegistry::~TMemoryRegistry() = default;

std::unique_ptr<TRegistryAccess> TMemoryRegistry::NewAccess() {
  return std::make_unique<TMemoryRegistryAccess>(*this);
}

bool TMemoryRegistry::HasKey(const std::string& path) const { return FRoot->Find(path) != nullptr; }

std::vector<std::string> TMemoryRegistry::SubkeyNames(const std::string& path) const {
  std::vector<std::string> names;
  if (const TKey* key = FRoot->Find(path)) {
    for (const auto& subkey : key->Subkeys) names.push_back(subkey.second->Name);
  }
  return names;
}

bool TMemoryRegistry::GetValue(const std::string& keyPath, const std::string& name,
                               TRegistryValue& value) const {
  TKey* key = FRoot->Find(keyPath);
  const auto* found = key ? key->FindValue(name) : nullptr;
  if (found) value = found->second;
  return found != nullptr;
}

void TMemoryRegistry::SetValue(const std::string& keyPath, const std::string& name,
                               const TRegistryValue& value) {
  TKey* key = FRoot->Create(keyPath);
  if (!key) throw Exception("locked key on the way to " + keyPath);
  if (auto* found = key->FindValue(name)) {
    found->second = value;
  } else {
    key->Values.emplace_back(name, value);
  }
}

void TMemoryRegistry::Lock(const std::string& path) {
  TKey* key = FRoot->Create(path);
  if (key) key->Locked = true;
}
