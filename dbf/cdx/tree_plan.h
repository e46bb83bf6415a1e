// The writes of one change of a tag's tree, in the order of the head of
// tree.h: new pages, the commit (a node in place, or the tag header's root),
// the neighbours' links, the pages freed. Shared by the single-key changes
// (tree.cpp) and the batch insert (tree_batch.cpp).
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "dbf/cdx/tree.h"

namespace dbf::detail::cdx {

// A neighbour's sibling link to point at a node's new page.
struct Tree::Relink {
  Node* neighbour;
  bool right;  // its right link (else its left one)
  std::uint32_t to;
};

struct Tree::Plan {
  std::vector<std::pair<Node, Page>> created;
  std::uint32_t newRoot = kNoPage;
  Node* top = nullptr;  // rewritten in place as the commit
  Page topPage{};
  std::vector<Relink> links;
  std::vector<std::uint32_t> freed;
};

// The cached nodes are changed in place: a failure half way drops the cache.
template <typename Work>
auto Tree::Guarded(const Work& work) -> decltype(work()) {
  try {
    return work();
  } catch (...) {
    file_.Forget();
    throw;
  }
}

}  // namespace dbf::detail::cdx
