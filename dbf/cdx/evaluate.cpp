// Evaluating tag expressions on raw records, with the owning application's
// formatting of every function's result.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "dbf/ascii.h"
#include "dbf/cdx/expression_node.h"
#include "dbf/dates.h"

namespace dbf::detail::cdx {

namespace {

bool IsLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

// CP949: only single-byte letters change case; a double-byte character
// (whose trail byte may be a Latin letter) is kept whole.
std::string ChangeCase(std::string text, bool upper) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (IsLeadByte(c)) {
      ++i;
    } else {
      text[i] = upper ? ascii::Upper(text[i]) : ascii::Lower(text[i]);
    }
  }
  return text;
}

// `needle $ haystack`, matching only at character starts; a match that only
// exists across a character boundary is left undecided.
bool Contains(const std::string& needle, const std::string& haystack) {
  if (needle.empty()) throw Inexact{};  // the application's answer for "" is not documented
  bool straddles = false;
  for (std::size_t i = 0; i < haystack.size(); ++i) {
    if (haystack.compare(i, needle.size(), needle) == 0) return true;
    if (IsLeadByte(static_cast<unsigned char>(haystack[i]))) {
      ++i;
      if (i < haystack.size() && haystack.compare(i, needle.size(), needle) == 0) straddles = true;
    }
  }
  if (straddles) throw Inexact{};
  return false;
}

double ParseStoredNumber(const std::uint8_t* p, int length) {
  const std::string text(ascii::Trim(std::string_view(reinterpret_cast<const char*>(p), length)));
  if (text.empty()) return 0;  // a blank number reads as zero
  std::size_t i = text[0] == '-' || text[0] == '+' ? 1 : 0;
  int digits = 0, dots = 0;
  for (; i < text.size(); ++i) {
    if (text[i] == '.') ++dots;
    else if (text[i] >= '0' && text[i] <= '9') ++digits;
    else throw Inexact{};  // overflow asterisks and the like
  }
  if (digits == 0 || dots > 1) throw Inexact{};
  return std::strtod(text.c_str(), nullptr);
}

Value ReadColumn(const Column& c, const std::uint8_t* record, int nullFlagsOffset) {
  Value v;
  const std::uint8_t* p = record + c.offset;
  if (nullFlagsOffset >= 0 && c.nullBit >= 0 &&
      (record[nullFlagsOffset + (c.nullBit >> 3)] >> (c.nullBit & 7) & 1)) {
    v.null = true;
  }
  switch (c.type) {
    case 'C':
      v.text.assign(reinterpret_cast<const char*>(p), c.length);
      break;
    case 'N': case 'F':
      v.type = Type::kNumber;
      v.number = ParseStoredNumber(p, c.length);
      break;
    case 'I':
      v.type = Type::kNumber;
      v.number = static_cast<std::int32_t>(ReadLE32(p));
      break;
    case 'B': case 'Y': {
      v.type = Type::kNumber;
      std::uint64_t bits = ReadLE32(p) | std::uint64_t(ReadLE32(p + 4)) << 32;
      if (c.type == 'Y') {
        v.number = static_cast<double>(static_cast<std::int64_t>(bits)) / 10000.0;
      } else {
        std::memcpy(&v.number, &bits, 8);
      }
      break;
    }
    case 'D': {
      v.type = Type::kDate;
      if (std::memcmp(p, "        ", 8) == 0) break;
      int parts[3] = {0, 0, 0};
      const int sizes[3] = {4, 2, 2};
      for (int part = 0, at = 0; part < 3; at += sizes[part++])
        for (int k = 0; k < sizes[part]; ++k) {
          if (p[at + k] < '0' || p[at + k] > '9') throw Inexact{};
          parts[part] = parts[part] * 10 + (p[at + k] - '0');
        }
      if (!IsValidDate(parts[0], parts[1], parts[2])) throw Inexact{};
      v.day = JulianDay(parts[0], parts[1], parts[2]);
      break;
    }
    case 'T':
      v.type = Type::kDateTime;
      v.day = static_cast<std::int32_t>(ReadLE32(p));
      v.millisecond = static_cast<std::int32_t>(ReadLE32(p + 4));
      break;
    case 'L':
      v.type = Type::kLogical;
      v.logical = p[0] == 'T' || p[0] == 't' || p[0] == 'Y' || p[0] == 'y';
      break;
  }
  return v;
}

std::string DigitsOfDate(std::int64_t day) {
  const DateTime d = FromJulianDay(day, 0);
  std::string text(8, '0');
  for (int i = 3, y = d.year % 10000; i >= 0; --i, y /= 10) text[i] = static_cast<char>('0' + y % 10);
  text[4] = static_cast<char>('0' + d.month / 10);
  text[5] = static_cast<char>('0' + d.month % 10);
  text[6] = static_cast<char>('0' + d.day / 10);
  text[7] = static_cast<char>('0' + d.day % 10);
  return text;
}

std::string Str(double value, int width, int decimals, bool asterisks) {
  if (!std::isfinite(value)) throw Inexact{};
  char text[400];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  std::string s = text;
  int significant = 0;
  bool nonZero = false;
  for (char c : s) {
    if (c >= '1' && c <= '9') nonZero = true;
    if (c >= '0' && c <= '9' && (nonZero || significant)) ++significant;
  }
  if (significant > 15) throw Inexact{};  // beyond what a double holds
  if (!nonZero && s[0] == '-') s.erase(0, 1);
  if (static_cast<int>(s.size()) <= width) return std::string(width - s.size(), ' ') + s;
  if (asterisks) return std::string(width, '*');
  throw Inexact{};  // the application switches to other forms then
}

std::string Pad(const std::string& text, const ExprNode& n) {
  const std::size_t width = static_cast<std::size_t>(n.a);
  if (text.size() >= width) {
    // Cutting is only certain for PADR, which keeps the start.
    if (text.size() > width && n.op != Op::kPadRight) throw Inexact{};
    return text.substr(0, width);
  }
  const std::size_t missing = width - text.size();
  const std::size_t left = n.op == Op::kPadLeft ? missing : n.op == Op::kPadCenter ? missing / 2 : 0;
  return std::string(left, n.fill) + text + std::string(missing - left, n.fill);
}

std::string BinToC(double value, const ExprNode& n) {
  const int bytes = n.width;
  const double limit = std::ldexp(1.0, 8 * bytes - 1);
  if (value != std::floor(value) || value < -limit || value >= limit || std::fabs(value) > 9007199254740992.0)
    throw Inexact{};
  std::uint64_t bits = static_cast<std::uint64_t>(static_cast<std::int64_t>(value));
  if (n.signFlip) bits ^= std::uint64_t(1) << (8 * bytes - 1);
  std::string out(bytes, '\0');
  for (int i = 0; i < bytes; ++i) out[n.reversed ? i : bytes - 1 - i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
  return out;
}

int CompareValues(const Value& l, const Value& r) {
  switch (l.type) {
    case Type::kNumber: return l.number < r.number ? -1 : l.number > r.number ? 1 : 0;
    case Type::kDate: return l.day < r.day ? -1 : l.day > r.day ? 1 : 0;
    case Type::kLogical: return int(l.logical) - int(r.logical);
    default: return l.text.compare(r.text);
  }
}

bool Compare(Op op, const Value& l, const Value& r) {
  if (l.type == Type::kChar) {
    // SET EXACT OFF: = compares as far as the right side goes.
    const bool equal = r.text.size() <= l.text.size() && l.text.compare(0, r.text.size(), r.text) == 0;
    switch (op) {
      case Op::kEqual: return equal;
      case Op::kNotEqual: return !equal;
      case Op::kExactEqual: return l.text == r.text;
      case Op::kContains: return Contains(l.text, r.text);
      default: throw Inexact{};
    }
  }
  const int c = CompareValues(l, r);
  switch (op) {
    case Op::kEqual: case Op::kExactEqual: return c == 0;
    case Op::kNotEqual: return c != 0;
    case Op::kLess: return c < 0;
    case Op::kGreater: return c > 0;
    case Op::kLessEqual: return c <= 0;
    default: return c >= 0;
  }
}

Value Logical(bool value) {
  Value v;
  v.type = Type::kLogical;
  v.logical = value;
  return v;
}

Value LogicalNull() {
  Value v = Logical(false);
  v.null = true;
  return v;
}

// AND and OR keep three values: .F. AND .NULL. is .F., .T. OR .NULL. is .T.
Value Connect(Op op, const Value& l, const Value& r) {
  const bool decisive = op == Op::kOr;
  if ((!l.null && l.logical == decisive) || (!r.null && r.logical == decisive)) return Logical(decisive);
  if (l.null || r.null) return LogicalNull();
  return Logical(!decisive);
}

}  // namespace

Value EvaluateNode(const ExprNode& n, const std::uint8_t* record, int nullFlagsOffset) {
  if (n.op == Op::kColumn) return ReadColumn(n.column, record, nullFlagsOffset);
  if (n.op == Op::kLiteral) return n.literal;
  if (n.op == Op::kDeleted) return Logical(record[0] == '*');
  Value args[2];
  for (std::size_t i = 0; i < n.args.size() && i < 2; ++i) args[i] = EvaluateNode(*n.args[i], record, nullFlagsOffset);
  if (n.op == Op::kAnd || n.op == Op::kOr) return Connect(n.op, args[0], args[1]);
  Value out;
  out.type = n.type;
  if (args[0].null || args[1].null) {
    out.null = true;  // NULL spreads through every other operation
    return out;
  }
  const Value& x = args[0];
  const Value& y = args[1];
  switch (n.op) {
    case Op::kUpper: case Op::kLower: out.text = ChangeCase(x.text, n.op == Op::kUpper); break;
    case Op::kDtos: out.text = x.day == 0 ? std::string(8, ' ') : DigitsOfDate(x.day); break;
    case Op::kTtoc: {
      if (x.day == 0 || x.millisecond % 1000 != 0) throw Inexact{};
      const int s = x.millisecond / 1000;
      char time[16];
      std::snprintf(time, sizeof time, "%02d%02d%02d", (s / 3600) % 100, s / 60 % 60, s % 60);
      out.text = DigitsOfDate(x.day) + time;
      break;
    }
    case Op::kStr: out.text = Str(x.number, n.width, n.a, n.asterisks); break;
    case Op::kLeft: out.text = x.text.substr(0, n.a); break;
    case Op::kRight:
      out.text = x.text.substr(x.text.size() - std::min<std::size_t>(x.text.size(), n.a));
      break;
    case Op::kSubstr:
      if (static_cast<std::size_t>(n.a) <= x.text.size())
        out.text = x.text.substr(n.a - 1, n.b < 0 ? std::string::npos : static_cast<std::size_t>(n.b));
      break;
    case Op::kAllTrim: out.text = ascii::Trim(x.text); break;
    case Op::kLeftTrim: out.text = ascii::TrimLeft(x.text); break;
    case Op::kRightTrim: out.text = ascii::TrimRight(x.text); break;
    case Op::kPadLeft: case Op::kPadRight: case Op::kPadCenter: out.text = Pad(x.text, n); break;
    case Op::kBinToC: out.text = BinToC(x.number, n); break;
    case Op::kNegate: out.number = -x.number; break;
    case Op::kNot: out.logical = !x.logical; break;
    case Op::kAdd: case Op::kSubtract: {
      const bool add = n.op == Op::kAdd;
      if (n.type == Type::kChar && add) {
        out.text = x.text + y.text;
      } else if (n.type == Type::kChar) {
        // c1 - c2: c1's trailing blanks move to the end.
        const std::string trimmed(ascii::TrimRight(x.text));
        out.text = trimmed + y.text + std::string(x.text.size() - trimmed.size(), ' ');
      } else if (n.type == Type::kNumber && x.type == Type::kDate) {
        out.number = static_cast<double>(x.day - y.day);  // date - date
      } else if (n.type == Type::kNumber) {
        out.number = add ? x.number + y.number : x.number - y.number;
      } else {
        // A date moved by a number of days; an empty date stays empty.
        const Value& date = x.type == Type::kDate ? x : y;
        const double days = x.type == Type::kDate ? y.number : x.number;
        if (days != std::floor(days)) throw Inexact{};
        out.day = date.day == 0 ? 0 : date.day + static_cast<std::int64_t>(add ? days : -days);
      }
      break;
    }
    default: out.logical = Compare(n.op, x, y); break;
  }
  return out;
}

Expression::Expression() = default;
Expression::~Expression() = default;
Expression::Expression(Expression&&) noexcept = default;
Expression& Expression::operator=(Expression&&) noexcept = default;

bool Expression::Parse(std::string_view text, const TableLayout& layout, bool nullAware, std::string& why) {
  root_ = ParseExpression(text, layout, why);
  nullFlagsOffset_ = nullAware ? layout.nullFlagsOffset : -1;
  return root_ != nullptr;
}

Type Expression::ResultType() const { return root_->type; }

char Expression::BareColumnType() const { return root_->op == Op::kColumn ? root_->column.type : 0; }

int Expression::Width() const { return root_->width; }

namespace {
bool AnyCaseChange(const ExprNode& n) {
  if (n.op == Op::kUpper || n.op == Op::kLower) return true;
  for (const auto& arg : n.args)
    if (AnyCaseChange(*arg)) return true;
  return false;
}
}  // namespace

bool Expression::ChangesCase() const { return AnyCaseChange(*root_); }

Value Expression::Evaluate(const std::uint8_t* record) const {
  return EvaluateNode(*root_, record, nullFlagsOffset_);
}

}  // namespace dbf::detail::cdx
