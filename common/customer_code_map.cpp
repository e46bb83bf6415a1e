#include "common/customer_code_map.h"

namespace ModMain {

void CustomerCodeMap::Clear() {
  items_.clear();
  firstIndex_.clear();
}

void CustomerCodeMap::Add(CustomerCodeMapItem item) {
  // Only the first item of an old code is ever found, as in a list searched
  // from the top.
  firstIndex_.emplace(item.oldCode, items_.size());
  items_.push_back(std::move(item));
}

const CustomerCodeMapItem* CustomerCodeMap::Find(const std::string& oldCode) const {
  auto found = firstIndex_.find(oldCode);
  return found == firstIndex_.end() ? nullptr : &items_[found->second];
}

}  // namespace ModMain
