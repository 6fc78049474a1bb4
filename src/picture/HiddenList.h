// The pictures the user never wants to see again: full paths in the order
// they were hidden, looked up through a hash of the path folded as Windows'
// file systems compare names (as the folder list compares them), so that a
// scan passes over thousands of them at the cost of one look-up a picture.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

// The most paths the list holds.
inline constexpr int32_t kHiddenMax = 10000;

class THiddenList {
public:
  THiddenList() = default;
  explicit THiddenList(const std::vector<std::string>& paths) { Assign(paths); }

  // Takes paths in their order, each once.
  void Assign(const std::vector<std::string>& paths);
  // Appends path unless it is listed already; says whether it did.
  bool Add(const std::string& path);
  bool Contains(const std::string& path) const;
  int32_t Count() const { return int32_t(FPaths.size()); }
  bool Full() const { return Count() >= kHiddenMax; }
  const std::vector<std::string>& Paths() const { return FPaths; }

private:
  std::vector<std::string> FPaths;
  // Each path's index by the hash of its folded name; paths whose hashes
  // meet are told apart by comparing the names.
  std::unordered_multimap<uint64_t, int32_t> FIndex;
};
