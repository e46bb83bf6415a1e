// One tag's B-tree in a .cdx file: search, insertion with splits, removal,
// a build of a whole tree, a walk and a structural check. The caller holds
// the .cdx lock and has called CdxFile::BeginUpdate, which drops the cached
// nodes if another program changed the file. Throws Damaged when the pages
// are not a consistent tree, IoFailure when the file cannot be read or
// written.
//
// Write order: new pages first, then the tag header (a new root), then the
// changed nodes from the root level down (a parent before its children, a
// split node before its right neighbour), then pages freed. A kill between
// two writes leaves the new key missing or a tree the next check rebuilds.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "dbf/cdx_file.h"

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
  // otherwise what is wrong first.
  std::string Check(std::uint32_t recordCount);

 private:
  struct Level {
    Node* node = nullptr;   // in the file's cache
    std::size_t index = 0;  // entry followed (interior) or position (leaf)
    Entry last;             // the node's last entry before the change
  };
  struct Plan;

  Node Read(std::uint32_t offset);  // uncached
  std::vector<Level> Descend(std::string_view key, std::uint32_t recno);
  bool Fits(const Node& node) const;
  void Commit(std::vector<Level>& path, bool atEnd);
  void Split(Node& node, Node& right, bool atEnd);
  template <typename Work>
  auto Guarded(const Work& work) -> decltype(work());

  CdxFile& file_;
  std::uint32_t header_;
  KeyFormat format_;
};

}  // namespace dbf::detail::cdx
