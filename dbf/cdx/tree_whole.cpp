// Whole-tree work on a tag: building it anew, walking it, checking it.
#include <algorithm>
#include <cassert>
#include <set>

#include "dbf/cdx/tree.h"

namespace dbf::detail::cdx {

void Tree::Rebuild(const std::vector<Entry>& sorted) {
  assert(std::adjacent_find(sorted.begin(), sorted.end(), [](const Entry& a, const Entry& b) {
           return Compare(a, b) >= 0;
         }) == sorted.end() && "(T1) a tree is built from ascending keys");
  std::uint32_t maxRecno = 0;
  for (const Entry& e : sorted) maxRecno = std::max(maxRecno, e.recno);
  std::vector<Node> level(1);
  level[0].attributes = kLeafBit;
  level[0].widths = WidthsFor(format_.length, maxRecno);
  int used = 0;
  for (const Entry& e : sorted) {
    Node* leaf = &level.back();
    int bytes = LeafEntryBytes(leaf->entries.empty() ? nullptr : &leaf->entries.back().key, e.key, format_,
                               leaf->widths);
    if (used + bytes > leaf::kSpace) {
      level.push_back(Node{});
      leaf = &level.back();
      leaf->attributes = kLeafBit;
      leaf->widths = level.front().widths;
      used = 0;
      bytes = LeafEntryBytes(nullptr, e.key, format_, leaf->widths);
    }
    used += bytes;
    leaf->entries.push_back(Entry{e.key, e.recno, 0});
  }
  const std::size_t capacity = InteriorCapacity(format_.length);
  Page page;
  for (;;) {
    for (std::size_t i = 0; i < level.size(); ++i) level[i].offset = file_.AllocateAtEnd();
    for (std::size_t i = 0; i < level.size(); ++i) {
      level[i].left = i ? level[i - 1].offset : kNoPage;
      level[i].right = i + 1 < level.size() ? level[i + 1].offset : kNoPage;
    }
    if (level.size() == 1) level[0].attributes |= kRootBit;
    for (const Node& node : level) {
      if (!Encode(node, format_, page)) throw Damaged{};
      file_.WritePage(node.offset, page);
    }
    if (level.size() == 1) break;
    std::vector<Node> parents;
    for (std::size_t i = 0; i < level.size(); ++i) {
      if (i % capacity == 0) parents.push_back(Node{});
      const Entry& last = level[i].entries.back();
      parents.back().entries.push_back(Entry{last.key, last.recno, level[i].offset});
    }
    level = std::move(parents);
  }
  // The new pages are complete before the header points to them.
  file_.WriteRoot(header_, level[0].offset);
}

std::vector<Entry> Tree::Walk() {
  Node node = Read(file_.ReadRoot(header_));
  for (int depth = 0; !node.IsLeaf(); ++depth) {
    if (node.entries.empty() || depth > kMaxDepth) throw Damaged{};
    node = Read(node.entries.front().child);
  }
  std::vector<Entry> all;
  const std::uint64_t pages = file_.Size() / kPageSize;
  for (std::uint64_t visited = 0;; ++visited) {
    if (visited > pages) throw Damaged{};  // the links run in a circle
    all.insert(all.end(), node.entries.begin(), node.entries.end());
    if (node.right == kNoPage) return all;
    node = Read(node.right);
  }
}

namespace {

std::string Broken(const char* invariant, std::uint32_t offset, const std::string& how) {
  return std::string(invariant) + " at node " + std::to_string(offset) + ": " + how;
}

}  // namespace

// Reads the tree level by level from the root and checks each level whole.
std::string Tree::Check(std::uint32_t recordCount, std::size_t* keys) {
  std::vector<std::uint32_t> offsets{file_.ReadRoot(header_)};
  std::vector<Entry> parents;  // the entry that points to each node of the level
  std::set<std::uint32_t> seen;
  for (int depth = 0; depth < kMaxDepth; ++depth) {
    std::vector<Node> nodes;
    for (std::uint32_t offset : offsets) {
      if (!file_.IsPage(offset) || !seen.insert(offset).second)
        return Broken("(T6)", offset, "outside the file or reached twice");
      Page page;
      file_.ReadPage(offset, page);
      nodes.emplace_back();
      if (!Decode(page, offset, format_, nodes.back())) return Broken("(T4)", offset, "does not decode");
    }
    if (std::string broken = CheckLevel(nodes, depth, parents, recordCount); !broken.empty()) return broken;
    if (nodes[0].IsLeaf()) {
      if (keys)
        for (const Node& n : nodes) *keys += n.entries.size();
      return "";
    }
    offsets.clear();
    parents.clear();
    for (const Node& n : nodes)
      for (const Entry& e : n.entries) {
        offsets.push_back(e.child);
        parents.push_back(e);
      }
  }
  return Broken("(T6)", offsets.front(), "deeper than " + std::to_string(kMaxDepth) + " levels");
}

std::string Tree::CheckLevel(const std::vector<Node>& nodes, int depth, const std::vector<Entry>& parents,
                             std::uint32_t recordCount) const {
  const bool leaves = nodes[0].IsLeaf();
  const Entry* previous = nullptr;
  for (std::size_t j = 0; j < nodes.size(); ++j) {
    const Node& n = nodes[j];
    if (n.IsLeaf() != leaves) return Broken("(T6)", n.offset, "leaves and interior nodes on one level");
    if (n.IsRoot() != (depth == 0)) return Broken("(T6)", n.offset, "root bit wrong");
    if (n.left != (j ? nodes[j - 1].offset : kNoPage) || n.right != (j + 1 < nodes.size() ? nodes[j + 1].offset : kNoPage))
      return Broken("(T3)", n.offset, "sibling links wrong");
    if ((depth > 0 || !leaves) && n.entries.empty()) return Broken("(T6)", n.offset, "empty node");
    if (depth > 0 && Compare(n.entries.back(), parents[j]) != 0)
      return Broken("(T2)", n.offset, "its parent entry differs from its last key");
    for (const Entry& e : n.entries) {
      if (previous && Compare(*previous, e) >= 0) return Broken("(T1)", n.offset, "keys out of order");
      if (leaves && (e.recno < 1 || e.recno > recordCount))
        return Broken("(T5)", n.offset, "record number " + std::to_string(e.recno) + " out of range");
      previous = &e;
    }
  }
  return "";
}

}  // namespace dbf::detail::cdx
