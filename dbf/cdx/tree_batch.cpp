// The insertion of a batch of keys into a tag's B-tree as one change: the
// nodes the keys reach are changed in memory (split as often as needed),
// each written once to a new page, then one commit write makes them live,
// then the unchanged neighbours are relinked once each and the old pages
// freed; the order of the head of tree.h, for any number of keys.
#include <algorithm>
#include <cassert>
#include <unordered_set>

#include "dbf/cdx/tree_plan.h"

namespace dbf::detail::cdx {

// A node that moves to new pages: where it was and which of plan.created
// replace it, left to right.
struct Replaced {
  std::uint32_t offset, left, right;
  std::size_t first, count;
};

namespace {

// Links the new pages created[first..last] to each other, left to right.
void LinkAlong(std::vector<std::pair<Node, Page>>& created, std::size_t first, std::size_t last) {
  for (std::size_t i = first; i < last; ++i) {
    created[i].first.right = created[i + 1].first.offset;
    created[i + 1].first.left = created[i].first.offset;
  }
}

}  // namespace

struct Tree::Batch {
  Plan plan;
  std::size_t total = 0;  // entries of the batch
  std::vector<std::vector<Replaced>> levels;  // by depth, left to right
};

// What a node's change hands up: nothing changed below, the commit is made
// at or below it (its parent's entry stays), or it moved to the pages of
// `entries` (its parent's new entries for it).
struct Tree::Applied {
  enum { kUnchanged, kCommitted, kMoved } state = kUnchanged;
  std::vector<Entry> entries;
};

void Tree::InsertMany(const std::vector<Entry>& sorted) {
  if (sorted.empty()) return;
  Guarded([&] {
    Batch batch;
    batch.total = sorted.size();
    Node& root = file_.NodeAt(file_.ReadRoot(header_), format_);
    if (Apply(root, sorted.data(), sorted.data() + sorted.size(), 0, batch).state == Applied::kUnchanged) return;
    LinkLevels(batch);
    Plan& plan = batch.plan;
    for (auto& [node, page] : plan.created)
      if (!Encode(node, format_, page)) throw Damaged{};
    assert(Keeps(plan));
    Write(plan);
  });
}

// The new entries of `node` with those of [first, last) that reach it. A
// leaf merges them in; an interior node hands each child the keys up to its
// entry (the last child those past the end, whose key then rises).
Tree::Applied Tree::Apply(Node& node, const Entry* first, const Entry* last, int depth, Batch& batch) {
  if (depth > kMaxDepth) throw Damaged{};
  const bool root = depth == 0, whole = std::size_t(last - first) == batch.total;
  std::vector<Entry> merged;
  merged.reserve(node.entries.size() + (node.IsLeaf() ? std::size_t(last - first) : 0));
  Node shape;
  shape.attributes = node.attributes;
  shape.widths = node.widths;
  if (node.IsLeaf()) {
    bool changed = false, afterNew = false;
    auto old = node.entries.begin();
    for (const Entry* e = first; e != last; ++e) {
      for (; old != node.entries.end() && Compare(*old, *e) < 0; ++old, afterNew = false) {
        merged.push_back(*old);
        if (afterNew) merged.back().Remeasure();  // it may share more with the new key
      }
      if (old != node.entries.end() && Compare(*old, *e) == 0) continue;  // held already
      assert(e->recno >= 1 && "(T5) record numbers start at 1");
      merged.emplace_back(e->key, e->recno, 0);
      FitRecno(shape.widths, e->recno);
      changed = afterNew = true;
    }
    if (!changed) return {};
    for (; old != node.entries.end(); ++old, afterNew = false) {
      merged.push_back(*old);
      if (afterNew) merged.back().Remeasure();
    }
  } else {
    if (node.entries.empty()) throw Damaged{};
    bool changed = false;
    const Entry* from = first;
    for (std::size_t i = 0; i < node.entries.size(); ++i) {
      const Entry& entry = node.entries[i];
      const Entry* to = i + 1 == node.entries.size()
                            ? last
                            : std::partition_point(from, last, [&](const Entry& e) { return Compare(e, entry) <= 0; });
      Applied child;
      if (from != to) child = Apply(file_.NodeAt(entry.child, format_), from, to, depth + 1, batch);
      from = to;
      if (child.state == Applied::kCommitted) return child;  // the whole batch went below
      if (child.state == Applied::kUnchanged) {
        merged.push_back(entry);
        continue;
      }
      changed = true;
      for (Entry& e : child.entries) merged.push_back(std::move(e));
    }
    if (!changed) return {};
  }
  const bool lastKept = !node.entries.empty() && Compare(merged.back(), node.entries.back()) == 0;
  std::vector<Node> parts = Pack(shape, std::move(merged), node.right == kNoPage && !lastKept);
  // The commit: the root, or the lowest node above every change whose parent
  // entry stays, rewritten in place.
  if (parts.size() == 1 && (root || (whole && lastKept))) {
    node.entries = std::move(parts[0].entries);
    node.widths = parts[0].widths;
    batch.plan.top = &node;
    if (!Encode(node, format_, batch.plan.topPage)) throw Damaged{};
    return {Applied::kCommitted, {}};
  }
  Plan& plan = batch.plan;
  if (batch.levels.size() <= std::size_t(depth)) batch.levels.resize(depth + 1);
  batch.levels[depth].push_back({node.offset, node.left, node.right, plan.created.size(), parts.size()});
  plan.freed.push_back(node.offset);
  Applied moved{Applied::kMoved, {}};
  for (Node& part : parts) {
    part.offset = file_.Allocate();
    part.attributes &= ~kRootBit;
    moved.entries.emplace_back(part.entries.back().key, part.entries.back().recno, part.offset);
    plan.created.emplace_back(std::move(part), Page{});
  }
  if (root) GrowLevels(moved.entries, plan);
  return moved;
}

// New interior levels above the parts of the old root, up to a new root the
// tag header then points to.
void Tree::GrowLevels(std::vector<Entry> entries, Plan& plan) {
  Node shape;  // interior, no root bit
  for (;;) {
    std::vector<Node> parts = Pack(shape, std::move(entries), true);
    entries.clear();
    const std::size_t first = plan.created.size();
    for (Node& part : parts) {
      part.offset = file_.Allocate();
      entries.emplace_back(part.entries.back().key, part.entries.back().recno, part.offset);
      plan.created.emplace_back(std::move(part), Page{});
    }
    LinkAlong(plan.created, first, plan.created.size() - 1);
    if (parts.size() == 1) {
      plan.created.back().first.attributes = kRootBit;
      plan.newRoot = plan.created.back().first.offset;
      return;
    }
  }
}

// The most entries from `from` on that one node holds.
std::size_t Tree::MostThatFit(const Node& shape, const std::vector<Entry>& entries, std::size_t from) const {
  std::size_t n = 0;
  if (shape.IsLeaf()) {
    for (int bytes = 0; from + n < entries.size(); ++n) {
      bytes += LeafEntryBytes(n ? &entries[from + n - 1].key : nullptr, entries[from + n].key, format_, shape.widths);
      if (bytes > leaf::kSpace) break;
    }
  } else {
    n = std::min(entries.size() - from, std::size_t(InteriorCapacity(format_.length)));
  }
  Node part = shape;
  for (; n > 0; --n) {  // the encoding decides
    part.entries.assign(entries.begin() + from, entries.begin() + from + n);
    if (Fits(part)) return n;
  }
  throw Damaged{};
}

// The entries in as few nodes as hold them: filled up at the end of a level
// (keys arriving in ascending order), else about evenly, leaving room for more.
std::vector<Node> Tree::Pack(const Node& shape, std::vector<Entry> entries, bool atEnd) const {
  std::size_t parts = 0;
  for (std::size_t from = 0; from < entries.size(); ++parts) from += MostThatFit(shape, entries, from);
  std::vector<Node> nodes;
  for (std::size_t from = 0; from < entries.size();) {
    const std::size_t left = nodes.size() < parts ? parts - nodes.size() : 1;  // nodes still to fill
    std::size_t n = MostThatFit(shape, entries, from);
    if (!atEnd) n = std::min(n, (entries.size() - from + left - 1) / left);
    Node& node = nodes.emplace_back(shape);
    node.entries.assign(std::make_move_iterator(entries.begin() + from),
                        std::make_move_iterator(entries.begin() + from + n));
    node.entries.front().Remeasure();  // a first key shares nothing
    from += n;
  }
  if (nodes.empty()) nodes.push_back(shape);  // an empty root leaf
  return nodes;
}

// The sibling links of the new pages, level by level: to each other along
// the level, or to the unchanged neighbours, which are relinked to them.
void Tree::LinkLevels(Batch& batch) {
  Plan& plan = batch.plan;
  auto node = [&](std::size_t i) -> Node& { return plan.created[i].first; };
  for (const std::vector<Replaced>& level : batch.levels) {
    std::unordered_set<std::uint32_t> moved;
    for (const Replaced& r : level) moved.insert(r.offset);
    for (std::size_t j = 0; j < level.size(); ++j) {
      const Replaced& r = level[j];
      const std::size_t firstPart = r.first, lastPart = r.first + r.count - 1;
      LinkAlong(plan.created, firstPart, lastPart);
      node(firstPart).left = r.left;
      node(lastPart).right = r.right;
      if (r.left != kNoPage && moved.contains(r.left)) {
        // Moved too: it is the one before on this level (T3), already linked.
        if (j == 0 || level[j - 1].offset != r.left) throw Damaged{};
        node(firstPart).left = node(level[j - 1].first + level[j - 1].count - 1).offset;
      } else if (r.left != kNoPage) {
        Node& left = file_.NodeAt(r.left, format_);
        if (left.right != r.offset) throw Damaged{};
        plan.links.push_back({&left, true, node(firstPart).offset});
      }
      if (r.right != kNoPage && moved.contains(r.right)) {
        if (j + 1 == level.size() || level[j + 1].offset != r.right) throw Damaged{};
        node(lastPart).right = node(level[j + 1].first).offset;
      } else if (r.right != kNoPage) {
        Node& right = file_.NodeAt(r.right, format_);
        if (right.left != r.offset) throw Damaged{};
        plan.links.push_back({&right, false, node(lastPart).offset});
      }
    }
  }
}

}  // namespace dbf::detail::cdx
