// Search, insertion and removal of keys in a tag's B-tree.
#include <algorithm>
#include <cassert>
#include <unordered_map>

#include "dbf/cdx/tree_plan.h"

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
    if (path.size() > std::size_t(kMaxDepth)) throw Damaged{};
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
    assert(recno >= 1 && "(T5) record numbers start at 1");
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

// What a level hands up after its node changed: the node left the level
// (removed), or moved to a new page with a new last entry, and perhaps split
// off a right half (sibling).
struct Tree::Handed {
  bool removed = false;
  std::uint32_t moved = kNoPage;
  Entry last;
  Entry sibling;  // child 0 = none
};

void Tree::Commit(std::vector<Level>& path, bool atEnd) {
  Plan plan;
  Handed handed;
  for (std::size_t level = path.size(); level-- > 0 && !plan.top;) {
    Node& node = *path[level].node;
    if (level + 1 < path.size()) {
      TakeFromChild(node, path[level].index, handed);
      atEnd = atEnd && handed.sibling.child != 0 && path[level].index + 2 == node.entries.size();
    }
    handed = Settle(node, level == 0, path[level].last, atEnd, plan);
  }
  assert(Keeps(plan));
  Write(plan);
}

void Tree::TakeFromChild(Node& node, std::size_t index, const Handed& handed) {
  std::vector<Entry>& entries = node.entries;
  if (handed.removed) {
    entries.erase(entries.begin() + index);
    return;
  }
  entries[index] = Entry{handed.last.key, handed.last.recno, handed.moved};
  if (handed.sibling.child != 0) entries.insert(entries.begin() + index + 1, handed.sibling);
}

// A node that fits and keeps its last key (or is the root) is rewritten in
// place: the commit. Any other moves or splits to new pages, or leaves the level.
Tree::Handed Tree::Settle(Node& node, bool root, const Entry& lastBefore, bool atEnd, Plan& plan) {
  if (node.entries.empty() && !root) return Unlink(node, plan);
  if (node.entries.empty()) {
    node.attributes = kRootBit | kLeafBit;  // the last key of the tag went
    node.widths = WidthsFor(format_.length, 0);
  }
  Page page;
  if (!Encode(node, format_, page)) return SplitToNewPages(node, root, atEnd, plan);
  if (!root && !SameLast(node, lastBefore)) return MoveToNewPage(node, page, plan);
  plan.top = &node;  // its parent's entry stays
  plan.topPage = page;
  return {};
}

// An emptied node leaves its level: its neighbours link past it.
Tree::Handed Tree::Unlink(const Node& node, Plan& plan) {
  LinkNeighbours(node, node.right, node.left, plan);
  plan.freed.push_back(node.offset);
  Handed handed;
  handed.removed = true;
  return handed;
}

Tree::Handed Tree::MoveToNewPage(Node& node, const Page& page, Plan& plan) {
  const std::uint32_t to = file_.Allocate();
  LinkNeighbours(node, to, to, plan);
  plan.freed.push_back(node.offset);
  Handed handed;
  handed.moved = to;
  handed.last = node.entries.back();
  Node moved = std::move(node);  // the cached node at the old page goes with it
  moved.offset = to;
  plan.created.emplace_back(std::move(moved), page);
  return handed;
}

Tree::Handed Tree::SplitToNewPages(Node& node, bool root, bool atEnd, Plan& plan) {
  Node right;
  Split(node, right, atEnd);
  const std::uint32_t leftAt = file_.Allocate(), rightAt = file_.Allocate();
  LinkNeighbours(node, leftAt, rightAt, plan);
  plan.freed.push_back(node.offset);
  Node left = std::move(node);  // the cached node at the old page goes with it
  left.offset = leftAt;
  right.offset = rightAt;
  right.left = leftAt;
  right.right = left.right;
  left.right = rightAt;
  Handed handed;
  handed.moved = leftAt;
  handed.last = left.entries.back();
  handed.sibling = Entry{right.entries.back().key, right.entries.back().recno, rightAt};
  Page page;
  for (Node* half : {&left, &right}) {
    if (!Encode(*half, format_, page)) throw Damaged{};
    plan.created.emplace_back(std::move(*half), page);
  }
  if (root) GrowRoot(Entry{handed.last.key, handed.last.recno, leftAt}, handed.sibling, plan);
  return handed;
}

// A new root above the two halves of the old one; the tag header then points to it.
void Tree::GrowRoot(const Entry& left, const Entry& right, Plan& plan) {
  Node top;
  top.offset = file_.Allocate();
  top.attributes = kRootBit;
  top.entries = {left, right};
  for (auto* half : {&plan.created[plan.created.size() - 2], &plan.created.back()}) {
    half->first.attributes &= ~kRootBit;
    if (!Encode(half->first, format_, half->second)) throw Damaged{};
  }
  Page page;
  if (!Encode(top, format_, page)) throw Damaged{};
  plan.newRoot = top.offset;
  plan.created.emplace_back(std::move(top), page);
}

// The node's neighbours, checked against its links (T3), to point at new pages.
void Tree::LinkNeighbours(const Node& node, std::uint32_t leftTo, std::uint32_t rightTo, Plan& plan) {
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
}

void Tree::Write(Plan& plan) {
  for (auto& [node, bytes] : plan.created) file_.Store(std::move(node), bytes);
  if (plan.newRoot != kNoPage) file_.WriteRoot(header_, plan.newRoot);
  if (plan.top) file_.Store(*plan.top, plan.topPage);
  std::vector<Node*> relinked;  // a neighbour between two new pages gets both links in one write
  for (const Relink& link : plan.links) {
    (link.right ? link.neighbour->right : link.neighbour->left) = link.to;
    if (std::find(relinked.begin(), relinked.end(), link.neighbour) == relinked.end())
      relinked.push_back(link.neighbour);
  }
  for (Node* neighbour : relinked) file_.StoreLinks(*neighbour);
  for (std::uint32_t offset : plan.freed) file_.Free(offset);
}

#ifndef NDEBUG
namespace {

bool Ascending(const Node& node) {
  for (std::size_t i = 1; i < node.entries.size(); ++i)
    if (Compare(node.entries[i - 1], node.entries[i]) >= 0) return false;
  return true;
}

bool SameEntries(const Node& a, const Node& b) {
  if (a.attributes != b.attributes || a.left != b.left || a.right != b.right || a.entries.size() != b.entries.size())
    return false;
  for (std::size_t i = 0; i < a.entries.size(); ++i)
    if (Compare(a.entries[i], b.entries[i]) != 0 || (!a.IsLeaf() && a.entries[i].child != b.entries[i].child))
      return false;
  return true;
}

}  // namespace

bool Tree::Keeps(const Plan& plan) const {
  std::unordered_map<std::uint32_t, const Node*> created;
  for (const auto& [node, page] : plan.created) created[node.offset] = &node;
  // A neighbour's link to a new page is either the other new node's or a relink.
  auto linked = [&](std::uint32_t from, bool right, std::uint32_t to) {
    const auto other = created.find(from);
    if (other != created.end()) return (right ? other->second->right : other->second->left) == to;
    for (const Relink& link : plan.links)
      if (link.neighbour->offset == from && link.right == right && link.to == to) return true;
    return false;
  };
  auto keeps = [&](const Node& node, const Page& page) {
    Node decoded;
    assert(Ascending(node) && "(T1) the entries of a written node ascend");
    assert(Decode(page, node.offset, format_, decoded) && SameEntries(node, decoded) &&
           "(T4) a written page decodes to its node");
    assert((!node.IsRoot() || node.offset == plan.newRoot || &node == plan.top) &&
           "(T6) only the root has the root bit");
    for (const Entry& e : node.entries) {
      const auto child = node.IsLeaf() ? created.end() : created.find(e.child);
      assert((child == created.end() || Compare(child->second->entries.back(), e) == 0) &&
             "(T2) a parent entry holds its new child's last key");
    }
  };
  for (const auto& [node, page] : plan.created) {
    keeps(node, page);
    assert((node.left == kNoPage || linked(node.left, true, node.offset)) &&
           (node.right == kNoPage || linked(node.right, false, node.offset)) &&
           "(T3) the neighbours of a new page link to it");
  }
  if (plan.top) keeps(*plan.top, plan.topPage);
  return true;
}
#else
bool Tree::Keeps(const Plan&) const { return true; }
#endif

}  // namespace dbf::detail::cdx
