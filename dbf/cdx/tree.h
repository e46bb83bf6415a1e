// One tag's B-tree in a .cdx file: search, insertion with splits, removal,
// a build of a whole tree, a walk and a structural check. The caller holds
// the .cdx lock and has called CdxFile::BeginUpdate, which drops the cached
// nodes if another program changed the file. Throws Damaged when the pages
// are not a consistent tree, IoFailure when the file cannot be read or
// written.
//
// Order of the page writes. Other engines read the tree without the lock and
// check, at each step down from the root, that the parent's entry they follow
// holds exactly its child's last key and record number: a difference is an
// internal error that ends the program (xBase engines of the Clipper family
// check so on every seek). An engine that appends also checks, when it moves
// keys between neighbouring children of one parent, that their sibling links
// agree with the parent's order. A kill can come between any two writes, and
// the application may read and append before this program runs again. So:
//  1. A node whose last key changes (or that splits) is never rewritten in
//     place: its new content goes to a new page (a split's halves to two),
//     and so on up to the first node whose last key stays (or the root).
//     New pages come from the free list, unlinked at once, or the file's end;
//     they are written before anything points to them.
//  2. The commit is one write: that first node, rewritten in place with its
//     entries pointing to the new pages, or the tag header's root pointer when
//     the root itself split. Before it a reader sees the old tree, after it
//     the new one; in both every parent entry equals its child's last key.
//  3. Then the sibling links of the neighbours (the left neighbour's right
//     link, the right neighbour's left link) are pointed at the new pages.
//  4. Then the pages left behind are free: the next change reuses them, and
//     they go on the free list when the table is closed.
// What a kill between 3's writes, or between 2 and 3, leaves is the one state
// with a stale link: a walk from the left neighbour still passes the old page
// (the tree as before the change) and a seek finds every key; the check of the
// next save (sibling links) rebuilds such a tag. A kill loses only the pages
// that were free and not yet on the free list.
// A change that keeps its node's last key and fits is a single write.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "dbf/cdx/file.h"

namespace dbf::detail::cdx {

class Tree {
 public:
  Tree(CdxFile& file, std::uint32_t header, const KeyFormat& format)
      : file_(file), header_(header), format_(format) {}

  bool Contains(std::string_view key);  // with any record number
  bool Contains(std::string_view key, std::uint32_t recno);
  void Insert(std::string_view key, std::uint32_t recno);  // nothing when present
  void Remove(std::string_view key, std::uint32_t recno);  // nothing when absent

  // Replaces the tree by one built from `sorted` (ascending, no duplicates) in
  // new pages at the end of the file; the old pages are left unused.
  void Rebuild(const std::vector<Entry>& sorted);

  // The entries in stored order: leftmost leaf to rightmost by right links.
  std::vector<Entry> Walk();
  // "" when the pages form a valid tree whose record numbers are 1..recordCount;
  // otherwise what is wrong first. `keys`, when given, gets the leaves' keys.
  std::string Check(std::uint32_t recordCount, std::size_t* keys = nullptr);

 private:
  struct Level {
    Node* node = nullptr;   // in the file's cache
    std::size_t index = 0;  // entry followed (interior) or position (leaf)
    Entry last;             // the node's last entry before the change
  };
  struct Plan;
  struct Relink;

  Node Read(std::uint32_t offset);  // uncached
  std::vector<Level> Descend(std::string_view key, std::uint32_t recno);
  bool Fits(const Node& node) const;
  void Commit(std::vector<Level>& path, bool atEnd);
  void Write(Plan& plan);
  void Split(Node& node, Node& right, bool atEnd);
  template <typename Work>
  auto Guarded(const Work& work) -> decltype(work());

  CdxFile& file_;
  std::uint32_t header_;
  KeyFormat format_;
};

}  // namespace dbf::detail::cdx
