// Key and FOR expressions of index tags: parsed once per tag against the
// table's columns, then evaluated on raw records. Texts are CP949 bytes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "dbf/table_layout.h"

namespace dbf::detail::cdx {

enum class Type : std::uint8_t { kChar, kNumber, kDate, kDateTime, kLogical };

struct Value {
  Type type = Type::kChar;
  bool null = false;
  std::string text;              // kChar
  double number = 0;             // kNumber
  std::int64_t day = 0;          // kDate, kDateTime: Julian day number, 0 when empty
  std::int32_t millisecond = 0;  // kDateTime
  bool logical = false;          // kLogical
};

// The owning application would form this value in a way this code cannot
// reproduce exactly (an STR that overflows, a number stored malformed, ...).
struct Inexact {};

struct ExprNode;

class Expression {
 public:
  Expression();
  ~Expression();
  Expression(Expression&&) noexcept;
  Expression& operator=(Expression&&) noexcept;

  // With `nullAware`, a null column is NULL (tags with the null key form);
  // otherwise its stored bytes are read as they are. Returns false with a
  // short Korean reason when the text is outside the supported subset.
  bool Parse(std::string_view text, const TableLayout& layout, bool nullAware, std::string& why);
  bool IsSet() const { return root_ != nullptr; }
  Type ResultType() const;
  // The column's type letter when the expression is one bare column, else 0.
  char BareColumnType() const;
  // The most bytes a text result can have.
  int Width() const;
  // Uses UPPER or LOWER, whose result depends on the code page.
  bool ChangesCase() const;
  // Throws Inexact.
  Value Evaluate(const std::uint8_t* record) const;

 private:
  std::unique_ptr<ExprNode> root_;
  int nullFlagsOffset_ = -1;
};

}  // namespace dbf::detail::cdx
