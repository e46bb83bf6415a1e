// Whole-tree work on a tag: building it anew, walking it, checking it.
#include <algorithm>
#include <set>

#include "dbf/cdx/tree.h"

namespace dbf::detail::cdx {

void Tree::Rebuild(const std::vector<Entry>& sorted) {
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
    if (node.entries.empty() || depth > 32) throw Damaged{};
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

std::string Tree::Check(std::uint32_t recordCount, std::size_t* keys) {
  std::vector<std::uint32_t> offsets{file_.ReadRoot(header_)};
  std::vector<Entry> parentEntries;  // the entry that points to each node of the level
  std::set<std::uint32_t> seen;
  for (int depth = 0; depth < 32; ++depth) {
    std::vector<Node> nodes;
    for (std::uint32_t offset : offsets) {
      if (!file_.IsPage(offset) || !seen.insert(offset).second)
        return "page " + std::to_string(offset) + " is outside the file or reached twice";
      Page page;
      file_.ReadPage(offset, page);
      nodes.emplace_back();
      if (!Decode(page, offset, format_, nodes.back())) return "node " + std::to_string(offset) + " does not decode";
    }
    const bool leaves = nodes[0].IsLeaf();
    const Entry* previous = nullptr;
    for (std::size_t j = 0; j < nodes.size(); ++j) {
      const Node& n = nodes[j];
      const std::string at = " at node " + std::to_string(n.offset);
      if (n.IsLeaf() != leaves) return "leaves and interior nodes mixed" + at;
      if (n.IsRoot() != (depth == 0)) return "root mark wrong" + at;
      if (n.left != (j ? nodes[j - 1].offset : kNoPage) || n.right != (j + 1 < nodes.size() ? nodes[j + 1].offset : kNoPage))
        return "sibling links wrong" + at;
      if ((depth > 0 || !leaves) && n.entries.empty()) return "empty node" + at;
      if (depth > 0 && Compare(n.entries.back(), parentEntries[j]) != 0) return "parent key differs from last key" + at;
      for (const Entry& e : n.entries) {
        if (previous && Compare(*previous, e) >= 0) return "keys out of order" + at;
        if (leaves && (e.recno < 1 || e.recno > recordCount)) return "record number out of range" + at;
        previous = &e;
      }
    }
    if (leaves) {
      if (keys)
        for (const Node& n : nodes) *keys += n.entries.size();
      return "";
    }
    offsets.clear();
    parentEntries.clear();
    for (const Node& n : nodes)
      for (const Entry& e : n.entries) {
        offsets.push_back(e.child);
        parentEntries.push_back(e);
      }
  }
  return "tree too deep";
}

}  // namespace dbf::detail::cdx
