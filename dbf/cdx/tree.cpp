// Search, insertion and removal of keys in a tag's B-tree.
#include <algorithm>

#include "dbf/cdx/tree.h"

namespace dbf::detail::cdx {

namespace {

std::size_t LowerBound(const std::vector<Entry>& entries, std::string_view key, std::uint32_t recno) {
  return std::partition_point(entries.begin(), entries.end(),
                              [&](const Entry& e) { return Compare(e.key, e.recno, key, recno) < 0; }) -
         entries.begin();
}

bool SameLast(const Node& node, const Entry& last) {
  return !node.entries.empty() && Compare(node.entries.back(), last) == 0;
}

bool At(const std::vector<Entry>& entries, std::size_t i, std::string_view key, std::uint32_t recno) {
  return i < entries.size() && Compare(entries[i].key, entries[i].recno, key, recno) == 0;
}

}  // namespace

// A neighbour's sibling link to point at a node's new page.
struct Tree::Relink {
  Node* neighbour;
  bool right;  // its right link (else its left one)
  std::uint32_t to;
};

// The writes of one change in the order of the head of tree.h: new pages,
// the commit (a node in place, or the tag header's root), links, pages freed.
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

Node Tree::Read(std::uint32_t offset) {
  if (!file_.IsPage(offset)) throw Damaged{};
  Page page;
  file_.ReadPage(offset, page);
  Node node;
  if (!Decode(page, offset, format_, node)) throw Damaged{};
  return node;
}

bool Tree::Fits(const Node& node) const {
  Page page;
  return Encode(node, format_, page);
}

std::vector<Tree::Level> Tree::Descend(std::string_view key, std::uint32_t recno) {
  std::vector<Level> path;
  std::uint32_t offset = file_.ReadRoot(header_);
  for (;;) {
    if (path.size() > 32) throw Damaged{};
    Level level;
    level.node = &file_.NodeAt(offset, format_);
    const std::vector<Entry>& entries = level.node->entries;
    if (!entries.empty()) level.last = entries.back();
    level.index = LowerBound(entries, key, recno);
    if (level.node->IsLeaf()) {
      path.push_back(std::move(level));
      return path;
    }
    if (entries.empty()) throw Damaged{};
    // Past the last key: the last child, whose key then rises.
    level.index = std::min(level.index, entries.size() - 1);
    offset = entries[level.index].child;
    path.push_back(std::move(level));
  }
}

bool Tree::Contains(std::string_view key) {
  return Guarded([&] {
    const Level leaf = Descend(key, 0).back();
    return leaf.index < leaf.node->entries.size() && leaf.node->entries[leaf.index].key == key;
  });
}

bool Tree::Contains(std::string_view key, std::uint32_t recno) {
  return Guarded([&] {
    const Level leaf = Descend(key, recno).back();
    return At(leaf.node->entries, leaf.index, key, recno);
  });
}

void Tree::Insert(std::string_view key, std::uint32_t recno) {
  Guarded([&] {
    std::vector<Level> path = Descend(key, recno);
    Level& leaf = path.back();
    std::vector<Entry>& entries = leaf.node->entries;
    if (At(entries, leaf.index, key, recno)) return;
    entries.insert(entries.begin() + leaf.index, Entry{std::string(key), recno, 0});
    // The next key may share more with the new one (keeping it shorter).
    if (leaf.index + 1 < entries.size()) entries[leaf.index + 1].Remeasure();
    FitRecno(leaf.node->widths, recno);
    Commit(path, leaf.index + 1 == entries.size());
  });
}

void Tree::Remove(std::string_view key, std::uint32_t recno) {
  Guarded([&] {
    std::vector<Level> path = Descend(key, recno);
    Level& leaf = path.back();
    std::vector<Entry>& entries = leaf.node->entries;
    if (!At(entries, leaf.index, key, recno)) return;
    entries.erase(entries.begin() + leaf.index);
    // The next key's shared prefix was measured against the removed one.
    if (leaf.index < entries.size()) entries[leaf.index].Remeasure();
    Commit(path, false);
  });
}

void Tree::Split(Node& node, Node& right, bool atEnd) {
  const std::size_t n = node.entries.size();
  auto fits = [&](std::size_t from, std::size_t to) {
    Node part;
    part.attributes = node.attributes;
    part.widths = node.widths;
    part.entries.assign(node.entries.begin() + from, node.entries.begin() + to);
    return Fits(part);
  };
  std::size_t at = n / 2;
  if (atEnd && node.right == kNoPage) {
    // Keys arriving in ascending order: the left node stays full.
    at = n - 1;
    while (at > 1 && !fits(0, at)) --at;
  } else {
    while (at > 1 && !fits(0, at)) --at;
    while (at + 1 < n && !fits(at, n)) ++at;
  }
  if (at == 0 || at >= n || !fits(0, at) || !fits(at, n)) throw Damaged{};
  right.attributes = node.attributes & ~kRootBit;
  right.widths = node.widths;
  right.entries.assign(node.entries.begin() + at, node.entries.end());
  node.entries.resize(at);
}

// Writes the path after its leaf changed: fits, splits and emptied nodes
// travel up as far as the parents' entries change.
void Tree::Commit(std::vector<Level>& path, bool atEnd) {
  Plan plan;
  Page page;
  // What the level below hands up: its node left the level (removed), or
  // moved to a new page (moved) with a new last key, and perhaps split off a
  // right half (sibling).
  bool removed = false;
  std::uint32_t moved = kNoPage;
  Entry sibling;  // child 0 = none
  auto neighbours = [&](const Node& node, std::uint32_t leftTo, std::uint32_t rightTo) {
    if (node.left != kNoPage) {
      Node& left = file_.NodeAt(node.left, format_);
      if (left.right != node.offset) throw Damaged{};
      plan.links.push_back({&left, true, leftTo});
    }
    if (node.right != kNoPage) {
      Node& right = file_.NodeAt(node.right, format_);
      if (right.left != node.offset) throw Damaged{};
      plan.links.push_back({&right, false, rightTo});
    }
  };
  for (std::size_t level = path.size(); level-- > 0;) {
    Node& node = *path[level].node;
    const std::size_t i = path[level].index;
    if (level + 1 < path.size()) {
      std::vector<Entry>& entries = node.entries;
      if (removed) {
        entries.erase(entries.begin() + i);
      } else {
        const Entry& last = plan.created[plan.created.size() - (sibling.child ? 2 : 1)].first.entries.back();
        entries[i] = Entry{last.key, last.recno, moved};
        if (sibling.child != 0) entries.insert(entries.begin() + i + 1, sibling);
      }
      atEnd = atEnd && sibling.child != 0 && i + 2 == entries.size();
    }
    removed = false;
    moved = kNoPage;
    sibling = Entry{};
    const bool root = level == 0;
    if (node.entries.empty() && !root) {
      // An emptied node leaves its level: its neighbours link past it.
      neighbours(node, node.right, node.left);
      plan.freed.push_back(node.offset);
      removed = true;
      continue;
    }
    if (node.entries.empty()) {
      node.attributes = kRootBit | kLeafBit;  // the last key of the tag went
      node.widths = WidthsFor(format_.length, 0);
    }
    if (Encode(node, format_, page)) {
      if (root || SameLast(node, path[level].last)) {
        plan.top = &node;  // its parent's entry stays: the commit
        plan.topPage = page;
        break;
      }
      Node copy = std::move(node);  // the cached node at the old page goes with it
      copy.offset = file_.Allocate();
      neighbours(node, copy.offset, copy.offset);
      plan.freed.push_back(node.offset);
      moved = copy.offset;
      plan.created.emplace_back(std::move(copy), page);
      continue;
    }
    Node left = std::move(node), right;
    Split(left, right, atEnd);
    left.offset = file_.Allocate();
    right.offset = file_.Allocate();
    right.left = left.offset;
    right.right = node.right;
    left.right = right.offset;
    neighbours(node, left.offset, right.offset);
    plan.freed.push_back(node.offset);
    sibling = Entry{right.entries.back().key, right.entries.back().recno, right.offset};
    moved = left.offset;
    Entry leftLast{left.entries.back().key, left.entries.back().recno, left.offset};
    for (Node* half : {&left, &right}) {
      if (!Encode(*half, format_, page)) throw Damaged{};
      plan.created.emplace_back(std::move(*half), page);
    }
    if (root) {
      // A new root above the two halves; the tag header then points to it.
      Node top;
      top.offset = file_.Allocate();
      top.attributes = kRootBit;
      top.entries = {leftLast, sibling};
      for (auto* half : {&plan.created[plan.created.size() - 2], &plan.created.back()}) {
        half->first.attributes &= ~kRootBit;
        if (!Encode(half->first, format_, half->second)) throw Damaged{};
      }
      if (!Encode(top, format_, page)) throw Damaged{};
      plan.newRoot = top.offset;
      plan.created.emplace_back(std::move(top), page);
    }
  }
  Write(plan);
}

void Tree::Write(Plan& plan) {
  for (auto& [node, bytes] : plan.created) file_.Store(std::move(node), bytes);
  if (plan.newRoot != kNoPage) file_.WriteRoot(header_, plan.newRoot);
  if (plan.top) file_.Store(*plan.top, plan.topPage);
  for (const Relink& link : plan.links) {
    (link.right ? link.neighbour->right : link.neighbour->left) = link.to;
    file_.StoreLinks(*link.neighbour);
  }
  for (std::uint32_t offset : plan.freed) file_.Free(offset);
}

}  // namespace dbf::detail::cdx
