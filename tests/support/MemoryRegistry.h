// A registry kept in memory, the stand-in of the portable tests. Several
// access objects made by NewAccess share one tree, as processes share the real
// registry.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "settings/ZoRegIni.h"

class TMemoryRegistry {
public:
  TMemoryRegistry();
  ~TMemoryRegistry();
  TMemoryRegistry(const TMemoryRegistry&) = delete;
  TMemoryRegistry& operator=(const TMemoryRegistry&) = delete;

  std::unique_ptr<TRegistryAccess> NewAccess();
  TRegistryFactory Factory() {
    return [this] { return NewAccess(); };
  }

  // Direct looks and changes for tests and set-up, bypassing access rules.
  bool HasKey(const std::string& path) const;
  std::vector<std::string> SubkeyNames(const std::string& path) const;
  bool GetValue(const std::string& keyPath, const std::string& name, TRegistryValue& value) const;
  void SetValue(const std::string& keyPath, const std::string& name, const TRegistryValue& value);
  // A locked key refuses everything but reading: opening with full access,
  // new subkeys, value writes and its own deletion.
  void Lock(const std::string& path);

  struct TKey;

private:
  std::unique_ptr<TKey> FRoot;
  friend class TMemoryRegistryAccess;
};
