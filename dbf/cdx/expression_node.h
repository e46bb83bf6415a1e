// The parsed form of a tag expression, shared by its parser and evaluator.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "dbf/cdx/expression.h"

namespace dbf::detail::cdx {

enum class Op : std::uint8_t {
  kColumn, kLiteral, kDeleted,
  kUpper, kLower, kDtos, kTtoc, kStr, kLeft, kRight, kSubstr,
  kAllTrim, kLeftTrim, kRightTrim, kPadLeft, kPadRight, kPadCenter, kBinToC,
  kAdd, kSubtract, kNegate,
  kNot, kAnd, kOr,
  kEqual, kExactEqual, kNotEqual, kLess, kGreater, kLessEqual, kGreaterEqual, kContains,
};

struct ExprNode {
  Op op = Op::kLiteral;
  Type type = Type::kChar;
  int decimals = -1;  // numbers: decimal places when they are known
  int width = 0;      // texts: the most bytes the result can have
  Column column;      // kColumn
  Value literal;      // kLiteral
  int a = 0, b = -1;  // literal arguments: lengths, positions, sizes
  char fill = ' ';    // PADL/PADR/PADC
  bool asterisks = false;  // STR of an integer column: overflow gives asterisks
  bool signFlip = true, reversed = false;  // BINTOC
  std::vector<std::unique_ptr<ExprNode>> args;
};

std::unique_ptr<ExprNode> ParseExpression(std::string_view text, const TableLayout& layout, std::string& why);
Value EvaluateNode(const ExprNode& node, const std::uint8_t* record, int nullFlagsOffset);

}  // namespace dbf::detail::cdx
