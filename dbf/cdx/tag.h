// A tag of a structural index as this layer sees it: its header, its parsed
// expressions and how its keys are built, or why it cannot be kept current.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "dbf/cdx/expression.h"
#include "dbf/cdx/file.h"

namespace dbf::detail::cdx {

enum class KeyKind : std::uint8_t {
  kText,     // bytes padded with blanks to K
  kDouble,   // numbers and dates (Julian day): sortable 8-byte double
  kInt32,    // 4-byte keys of numbers: sortable 32-bit integer
  kLogical,  // 'T' or 'F'
};

struct Tag {
  std::string name;
  std::uint32_t header = 0;  // offset of the tag's header block
  Header info;
  KeyFormat format;
  std::string problem;  // why the tag is not kept current ("" when it is)
  Expression key, filter;
  KeyKind kind = KeyKind::kText;
  bool nullForm = false;  // keys start with a null-flag byte

  bool Unique() const { return info.options & (Option::kUnique | Option::kCandidate); }
  bool Candidate() const { return info.options & Option::kCandidate; }
  // The record's key, or nothing when the FOR clause does not hold. Throws Inexact.
  std::optional<std::string> KeyOf(const std::uint8_t* record) const;
};

// Reads a tag's header into a Tag; sets `problem` when this layer cannot keep
// the tag exactly as the owning application would (`codePage` "" = CP949).
Tag DefineTag(std::string name, std::uint32_t header, const Header& info, const TableLayout& layout,
              const std::string& codePage);

// The keys of records 1..recordCount of the table in stored order (a unique
// tag keeps the first record of each key). Throws Inexact and IoFailure.
std::vector<Entry> TableKeys(const Tag& tag, const FileHandle& table, const TableLayout& layout,
                             std::uint32_t recordCount);

// Key bytes that sort as the numbers do.
std::string SortableDouble(double value);
std::string SortableInt32(std::int32_t value);

}  // namespace dbf::detail::cdx
