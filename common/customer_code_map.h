// Old ready-mix customer code -> new code and name, filled by the ready-mix
// customer import and read by the site import. Owned by the core; the window's
// code-map list only mirrors it.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

namespace ModMain {

struct CustomerCodeMapItem {
  std::string oldCode;  // CP949, trimmed
  std::string newCode;
  std::string name;
  bool operator==(const CustomerCodeMapItem&) const = default;
};

class CustomerCodeMap {
 public:
  void Clear();
  void Add(CustomerCodeMapItem item);
  // The first item whose old code equals `oldCode` exactly, or nullptr.
  const CustomerCodeMapItem* Find(const std::string& oldCode) const;
  bool operator==(const CustomerCodeMap&) const = default;

 private:
  std::vector<CustomerCodeMapItem> items_;
  std::unordered_map<std::string, std::size_t> firstIndex_;
};

}  // namespace ModMain
