// Search, insertion and removal of keys in a tag's B-tree.
#include <algorithm>

#include "dbf/cdx_tree.h"

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

// Pages to write, in the order that keeps every step readable; each with the
// page it encodes to.
struct Tree::Plan {
  std::vector<std::pair<Node, Page>> created;
  std::uint32_t newRoot = kNoPage;
  std::vector<std::vector<std::pair<Node*, Page>>> changed;  // per level, root level first
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
  plan.changed.resize(path.size());
  Page page;
  auto change = [&](std::size_t level, Node& node) {
    if (!Encode(node, format_, page)) throw Damaged{};
    plan.changed[level].emplace_back(&node, page);
  };
  bool lastChanged = false, removed = false;
  Entry sibling;  // child 0 = none
  for (std::size_t level = path.size(); level-- > 0;) {
    Node& node = *path[level].node;
    const std::size_t i = path[level].index;
    if (level + 1 < path.size()) {
      if (!lastChanged && !removed && sibling.child == 0) break;
      std::vector<Entry>& entries = node.entries;
      if (removed) {
        entries.erase(entries.begin() + i);
      } else {
        if (lastChanged) {
          entries[i].key = path[level + 1].node->entries.back().key;
          entries[i].recno = path[level + 1].node->entries.back().recno;
        }
        if (sibling.child != 0) entries.insert(entries.begin() + i + 1, sibling);
      }
      atEnd = atEnd && sibling.child != 0 && i + 2 == entries.size();
    }
    lastChanged = removed = false;
    sibling = Entry{};
    if (node.entries.empty() && level > 0) {
      // An emptied node leaves its level: its neighbours link past it.
      if (node.left != kNoPage) {
        Node& left = file_.NodeAt(node.left, format_);
        if (left.right != node.offset) throw Damaged{};
        left.right = node.right;
        change(level, left);
      }
      if (node.right != kNoPage) {
        Node& right = file_.NodeAt(node.right, format_);
        if (right.left != node.offset) throw Damaged{};
        right.left = node.left;
        change(level, right);
      }
      plan.freed.push_back(node.offset);
      removed = true;
      continue;
    }
    if (node.entries.empty()) {
      node.attributes = kRootBit | kLeafBit;  // the last key of the tag went
      node.widths = WidthsFor(format_.length, 0);
      change(level, node);
      break;
    }
    if (Encode(node, format_, page)) {
      lastChanged = !SameLast(node, path[level].last);
      plan.changed[level].emplace_back(&node, page);
      continue;
    }
    Node right;
    Split(node, right, atEnd);
    right.offset = file_.Allocate();
    right.left = node.offset;
    right.right = node.right;
    node.right = right.offset;
    sibling = Entry{right.entries.back().key, right.entries.back().recno, right.offset};
    if (level == 0) {
      // A new root above the two halves; the header then points to it.
      node.attributes &= ~kRootBit;
      Node root;
      root.offset = file_.Allocate();
      root.attributes = kRootBit;
      root.entries = {Entry{node.entries.back().key, node.entries.back().recno, node.offset}, sibling};
      if (!Encode(root, format_, page)) throw Damaged{};
      plan.newRoot = root.offset;
      plan.created.emplace_back(std::move(root), page);
    }
    change(level, node);
    if (right.right != kNoPage) {
      Node& neighbour = file_.NodeAt(right.right, format_);
      if (neighbour.left != node.offset) throw Damaged{};
      neighbour.left = right.offset;
      change(level, neighbour);
    }
    if (!Encode(right, format_, page)) throw Damaged{};
    plan.created.emplace_back(std::move(right), page);
    lastChanged = !SameLast(node, path[level].last);
  }

  for (const auto& [node, bytes] : plan.created) file_.Store(node, bytes);
  if (plan.newRoot != kNoPage) file_.WriteRoot(header_, plan.newRoot);
  for (const auto& level : plan.changed)
    for (const auto& [node, bytes] : level) file_.Store(*node, bytes);
  for (std::uint32_t offset : plan.freed) file_.Free(offset);
}

}  // namespace dbf::detail::cdx
