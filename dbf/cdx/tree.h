// One tag's B-tree in a .cdx file: search, insertion with splits, removal,
// a build of a whole tree, a walk and a structural check. The caller holds
// the .cdx lock and has called CdxFile::BeginUpdate, which drops the cached
// nodes if another program changed the file. Throws Damaged when the pages
// are not a consistent tree, IoFailure when the file cannot be read or
// written.
//
// The invariants of a tag's tree. Check() names the first one it finds broken
// ("(T2) at node 4096: ..."), the code that changes a tree asserts them in
// debug builds, and the tests name the ones they guard.
//  (T1) Order: along each level, left to right, the entries ascend strictly by
//       key bytes (unsigned), then record number; no entry is there twice.
//  (T2) Parent keys: each interior entry holds its child's last key and
//       record number.
//  (T3) Links: the sibling links chain each level in that order; the first
//       node's left link and the last node's right link are -1.
//  (T4) Node bytes: every node decodes. A leaf's free bytes are 488 less its
//       entries and stored key bytes, its masks match its bit widths, its
//       first key shares no byte with another, its record numbers fit the
//       mask; an interior node holds at most floor(500 / (K + 8)) entries.
//  (T5) Record numbers: every key's record number lies in 1..the table's
//       record count.
//  (T6) Shape: the root alone has the root bit; all leaves lie at one depth,
//       at most kMaxDepth; only a root leaf may be empty; every node lies in
//       the file after the file header and is reached once.
//  (T7) Key count: a tag without FOR and UNIQUE holds one key per row, as
//       many as the table has records; any other tag holds at most as many.
//       A tree cannot see it: the table's index (index.cpp) compares a tag
//       that breaks it with the keys of the rows and builds it anew.
//
// Order of the page writes. Other engines read the tree without the lock and
// check, at each step down from the root, that the parent's entry they follow
// holds exactly its child's last key and record number: a difference is an
// internal error that ends the program (xBase engines of the Clipper family
// check so on every seek). An engine that appends also checks, when it moves
// keys between neighbouring children of one parent, that their sibling links
// agree with the parent's order. A kill can come between any two writes, and
// the application may read and append before this program runs again. So
// (T2) holds after every write, and (T3) is broken only as 3 says:
//  1. A node whose last key changes (or that splits) is never rewritten in
//     place: its new content goes to a new page (a split's halves to two),
//     and so on up to the first node whose last key stays (or the root).
//     New pages come from the free list, unlinked at once, or the file's end;
//     they are written before anything points to them.
//  2. The commit is one write: that first node, rewritten in place with its
//     entries pointing to the new pages, or the tag header's root pointer when
//     the root itself split. Before it a reader sees the old tree, after it
//     the new one; in both (T2) holds.
//  3. Then the sibling links of the neighbours (the left neighbour's right
//     link, the right neighbour's left link) are pointed at the new pages.
//  4. Then the pages left behind are free: the next change reuses them, and
//     they go on the free list when the table is closed.
// What a kill between 3's writes, or between 2 and 3, leaves is the one state
// with a stale link, (T3) broken: a walk from the left neighbour still passes the old page
// (the tree as before the change) and a seek finds every key; the check of the
// next save (sibling links) rebuilds such a tag. A kill loses only the pages
// that were free and not yet on the free list.
// A change that keeps its node's last key and fits is a single write.
// A batch of keys (InsertMany) is one change in the same order: every node it
// changes below the commit goes to new pages, each written once; the commit
// is the lowest node above all of them whose last key stays and that fits
// (or the root, or the tag header's root pointer when the root split); each
// unchanged neighbour of the new pages gets its links in one write.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "dbf/cdx/file.h"

namespace dbf::detail::cdx {

inline constexpr int kMaxDepth = 32;

class Tree {
 public:
  Tree(CdxFile& file, std::uint32_t header, const KeyFormat& format)
      : file_(file), header_(header), format_(format) {}

  bool Contains(std::string_view key);  // with any record number
  bool Contains(std::string_view key, std::uint32_t recno);
  void Insert(std::string_view key, std::uint32_t recno);  // nothing when present
  void Remove(std::string_view key, std::uint32_t recno);  // nothing when absent
  // Inserts the entries of `sorted` (ascending, no two alike) the tree lacks
  // as one change in the order below: every node changed is written once.
  void InsertMany(const std::vector<Entry>& sorted);

  // Replaces the tree by one built from `sorted` (ascending, no duplicates) in
  // new pages at the end of the file; the old pages are left unused.
  void Rebuild(const std::vector<Entry>& sorted);

  // The entries in stored order: leftmost leaf to rightmost by right links.
  std::vector<Entry> Walk();
  // "" when the pages keep (T1)-(T6) for a table of `recordCount` records;
  // otherwise the first invariant broken, where and how. `keys`, when given,
  // gets the number of the leaves' keys.
  std::string Check(std::uint32_t recordCount, std::size_t* keys = nullptr);

 private:
  struct Level {
    Node* node = nullptr;   // in the file's cache
    std::size_t index = 0;  // entry followed (interior) or position (leaf)
    Entry last;             // the node's last entry before the change
  };
  struct Plan;
  struct Relink;
  struct Handed;
  struct Batch;
  struct Applied;

  Node Read(std::uint32_t offset);  // uncached
  std::vector<Level> Descend(std::string_view key, std::uint32_t recno);
  bool Fits(const Node& node) const;
  // Plans the writes of a change to the cached nodes of `path` (its leaf
  // changed), then makes them: each node is settled in turn, from the leaf
  // up, and hands up what its parent's entry for it becomes.
  void Commit(std::vector<Level>& path, bool atEnd);
  Handed Settle(Node& node, bool root, const Entry& lastBefore, bool atEnd, Plan& plan);
  static void TakeFromChild(Node& node, std::size_t index, const Handed& handed);
  Handed Unlink(const Node& node, Plan& plan);
  Handed MoveToNewPage(Node& node, const Page& page, Plan& plan);
  Handed SplitToNewPages(Node& node, bool root, bool atEnd, Plan& plan);
  void GrowRoot(const Entry& left, const Entry& right, Plan& plan);
  void LinkNeighbours(const Node& node, std::uint32_t leftTo, std::uint32_t rightTo, Plan& plan);
  void Split(Node& node, Node& right, bool atEnd);
  void Write(Plan& plan);
  // The batch insert (tree_batch.cpp): a node's new entries, hands them up
  // or makes the commit; new levels above a split root; nodes filled; links.
  Applied Apply(Node& node, const Entry* first, const Entry* last, int depth, Batch& batch);
  void GrowLevels(std::vector<Entry> entries, Plan& plan);
  std::size_t MostThatFit(const Node& shape, const std::vector<Entry>& entries, std::size_t from) const;
  std::vector<Node> Pack(const Node& shape, std::vector<Entry> entries, bool atEnd) const;
  void LinkLevels(Batch& batch);
  // Asserts the invariants the nodes of a plan keep; for assert(), so only
  // debug builds call it.
  bool Keeps(const Plan& plan) const;
  std::string CheckLevel(const std::vector<Node>& nodes, int depth, const std::vector<Entry>& parents,
                         std::uint32_t recordCount) const;
  template <typename Work>
  auto Guarded(const Work& work) -> decltype(work());

  CdxFile& file_;
  std::uint32_t header_;
  KeyFormat format_;
};

}  // namespace dbf::detail::cdx
