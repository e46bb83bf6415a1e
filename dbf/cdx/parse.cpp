// Parsing of tag expressions: the xBase subset business tags use, with the
// result type and width of every part checked against the table's columns.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "dbf/ascii.h"
#include "dbf/cdx/expression_node.h"
#include "dbf/messages.h"

namespace dbf::detail::cdx {

namespace {

struct Unsupported {
  std::string why;
};

struct Function {
  const char* name;
  Op op;
};
constexpr Function kFunctions[] = {
    {"UPPER", Op::kUpper},     {"LOWER", Op::kLower},       {"DTOS", Op::kDtos},
    {"DTOC", Op::kDtos},       {"TTOC", Op::kTtoc},         {"STR", Op::kStr},
    {"LEFT", Op::kLeft},       {"RIGHT", Op::kRight},       {"SUBSTR", Op::kSubstr},
    {"ALLTRIM", Op::kAllTrim}, {"LTRIM", Op::kLeftTrim},    {"RTRIM", Op::kRightTrim},
    {"TRIM", Op::kRightTrim},  {"PADL", Op::kPadLeft},      {"PADR", Op::kPadRight},
    {"PADC", Op::kPadCenter},  {"BINTOC", Op::kBinToC},     {"DELETED", Op::kDeleted},
};

using NodePtr = std::unique_ptr<ExprNode>;

NodePtr Make(Op op, Type type, int width = 0) {
  auto node = std::make_unique<ExprNode>();
  node->op = op;
  node->type = type;
  node->width = width;
  return node;
}

class Parser {
 public:
  Parser(std::string_view text, const TableLayout& layout) : text_(text), layout_(layout) { Next(); }

  NodePtr Whole() {
    NodePtr node = Or();
    if (kind_ != kEnd) Refuse("'" + token_ + "' 부분을 해석할 수 없습니다");
    return node;
  }

 private:
  enum Kind { kEnd, kName, kNumber, kString, kSymbol };

  [[noreturn]] static void Refuse(const std::string& why) { throw Unsupported{why}; }

  void Next() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
    token_.clear();
    if (pos_ >= text_.size()) {
      kind_ = kEnd;
      return;
    }
    const char c = text_[pos_];
    auto isDigit = [&](std::size_t at) { return at < text_.size() && text_[at] >= '0' && text_[at] <= '9'; };
    auto isWordChar = [&](std::size_t at) {
      const char w = ascii::Upper(at < text_.size() ? text_[at] : ' ');
      return (w >= 'A' && w <= 'Z') || w == '_' || isDigit(at);
    };
    if (isWordChar(pos_) && !isDigit(pos_)) {
      kind_ = kName;
      while (isWordChar(pos_)) token_ += ascii::Upper(text_[pos_++]);
    } else if (isDigit(pos_) || (c == '.' && isDigit(pos_ + 1))) {
      kind_ = kNumber;
      while (isDigit(pos_) || (pos_ < text_.size() && text_[pos_] == '.')) token_ += text_[pos_++];
    } else if (c == '"' || c == '\'' || c == '[') {
      const char close = c == '[' ? ']' : c;
      const std::size_t end = text_.find(close, pos_ + 1);
      if (end == std::string_view::npos) Refuse("문자열이 닫히지 않았습니다");
      kind_ = kString;
      token_ = text_.substr(pos_ + 1, end - pos_ - 1);
      pos_ = end + 1;
    } else if (c == '.' && isWordChar(pos_ + 1)) {
      // .T. .F. .AND. .OR. .NOT.
      const std::size_t end = text_.find('.', pos_ + 1);
      if (end == std::string_view::npos) Refuse("'.' 뒤를 해석할 수 없습니다");
      kind_ = kSymbol;
      token_ = ascii::Upper(text_.substr(pos_, end + 1 - pos_));
      if (token_ == ".AND." || token_ == ".OR." || token_ == ".NOT.") token_ = token_.substr(1, token_.size() - 2);
      pos_ = end + 1;
    } else {
      kind_ = kSymbol;
      static const char* const kPairs[] = {"==", "<>", "!=", "<=", ">=", "->"};
      for (const char* pair : kPairs)
        if (text_.substr(pos_, 2) == pair) token_ = pair;
      if (token_.empty()) token_ = std::string(1, c);
      pos_ += token_.size();
    }
  }

  bool IsWord(const char* word) const {
    return (kind_ == kName || kind_ == kSymbol) && token_ == word;
  }
  bool IsSymbol(const char* symbol) const { return kind_ == kSymbol && token_ == symbol; }
  void Expect(const char* symbol) {
    if (!IsSymbol(symbol)) Refuse(std::string("'") + symbol + "'이(가) 있어야 합니다");
    Next();
  }

  static void Require(const NodePtr& node, Type type, const char* what) {
    if (node->type != type) Refuse(std::string(what) + "의 인수 형식이 맞지 않습니다");
  }

  static NodePtr Join(Op op, Type type, NodePtr left, NodePtr right) {
    NodePtr node = Make(op, type);
    node->args.push_back(std::move(left));
    node->args.push_back(std::move(right));
    return node;
  }

  NodePtr Or() {
    NodePtr left = And();
    while (IsWord("OR")) {
      Next();
      NodePtr right = And();
      Require(left, Type::kLogical, "OR");
      Require(right, Type::kLogical, "OR");
      left = Join(Op::kOr, Type::kLogical, std::move(left), std::move(right));
    }
    return left;
  }

  NodePtr And() {
    NodePtr left = Not();
    while (IsWord("AND")) {
      Next();
      NodePtr right = Not();
      Require(left, Type::kLogical, "AND");
      Require(right, Type::kLogical, "AND");
      left = Join(Op::kAnd, Type::kLogical, std::move(left), std::move(right));
    }
    return left;
  }

  NodePtr Not() {
    if (IsSymbol("!") || IsWord("NOT")) {
      Next();
      NodePtr node = Make(Op::kNot, Type::kLogical);
      node->args.push_back(Not());
      Require(node->args[0], Type::kLogical, "NOT");
      return node;
    }
    return Comparison();
  }

  NodePtr Comparison() {
    NodePtr left = Sum();
    static const std::pair<const char*, Op> kOps[] = {
        {"=", Op::kEqual},      {"==", Op::kExactEqual}, {"<>", Op::kNotEqual},  {"#", Op::kNotEqual},
        {"!=", Op::kNotEqual},  {"<", Op::kLess},        {">", Op::kGreater},    {"<=", Op::kLessEqual},
        {">=", Op::kGreaterEqual}, {"$", Op::kContains}};
    for (const auto& [symbol, op] : kOps) {
      if (!IsSymbol(symbol)) continue;
      Next();
      NodePtr right = Sum();
      const Type t = left->type;
      const bool ordering = op == Op::kLess || op == Op::kGreater || op == Op::kLessEqual || op == Op::kGreaterEqual;
      bool ok = right->type == t;
      if (op == Op::kContains) ok = ok && t == Type::kChar;
      // Ordering of texts depends on SET EXACT and SET COLLATE in ways not reproduced here.
      if (ordering) ok = ok && (t == Type::kNumber || t == Type::kDate);
      if (t == Type::kDateTime) ok = false;
      if (!ok) Refuse(std::string("비교 ") + symbol + "의 형식을 처리할 수 없습니다");
      return Join(op, Type::kLogical, std::move(left), std::move(right));
    }
    return left;
  }

  NodePtr Sum() {
    NodePtr left = Unary();
    while (IsSymbol("+") || IsSymbol("-")) {
      const bool add = token_ == "+";
      Next();
      NodePtr right = Unary();
      const Type l = left->type, r = right->type;
      NodePtr node;
      if (l == Type::kChar && r == Type::kChar) {
        node = Make(add ? Op::kAdd : Op::kSubtract, Type::kChar, left->width + right->width);
      } else if (l == Type::kNumber && r == Type::kNumber) {
        node = Make(add ? Op::kAdd : Op::kSubtract, Type::kNumber);
        if (left->decimals >= 0 && right->decimals >= 0) node->decimals = std::max(left->decimals, right->decimals);
      } else if (l == Type::kDate && r == Type::kNumber) {
        node = Make(add ? Op::kAdd : Op::kSubtract, Type::kDate);
      } else if (add && l == Type::kNumber && r == Type::kDate) {
        node = Make(Op::kAdd, Type::kDate);
      } else if (!add && l == Type::kDate && r == Type::kDate) {
        node = Make(Op::kSubtract, Type::kNumber);
        node->decimals = 0;
      } else {
        Refuse(std::string("연산 ") + (add ? "+" : "-") + "의 형식을 처리할 수 없습니다");
      }
      node->args.push_back(std::move(left));
      node->args.push_back(std::move(right));
      left = std::move(node);
    }
    return left;
  }

  NodePtr Unary() {
    if (IsSymbol("+")) {
      Next();
      return Unary();
    }
    if (IsSymbol("-")) {
      Next();
      NodePtr node = Make(Op::kNegate, Type::kNumber);
      node->args.push_back(Unary());
      Require(node->args[0], Type::kNumber, "-");
      node->decimals = node->args[0]->decimals;
      return node;
    }
    return Primary();
  }

  NodePtr Primary() {
    NodePtr node;
    if (kind_ == kNumber) {
      node = Make(Op::kLiteral, Type::kNumber);
      char* end = nullptr;
      node->literal.type = Type::kNumber;
      node->literal.number = std::strtod(token_.c_str(), &end);
      if (*end != '\0') Refuse("수 " + token_ + "을(를) 해석할 수 없습니다");
      const std::size_t dot = token_.find('.');
      node->decimals = dot == std::string::npos ? 0 : static_cast<int>(token_.size() - dot - 1);
    } else if (kind_ == kString) {
      node = Make(Op::kLiteral, Type::kChar, static_cast<int>(token_.size()));
      node->literal.text = token_;
    } else if (IsSymbol(".T.") || IsSymbol(".F.") || IsSymbol(".Y.") || IsSymbol(".N.")) {
      node = Make(Op::kLiteral, Type::kLogical);
      node->literal.type = Type::kLogical;
      node->literal.logical = token_ == ".T." || token_ == ".Y.";
    } else if (IsSymbol("(")) {
      Next();
      node = Or();
      if (!IsSymbol(")")) Refuse("')'이(가) 있어야 합니다");
    } else if (kind_ == kName) {
      const std::string name = token_;
      Next();
      if (IsSymbol("(")) return Call(name);
      if (IsSymbol(".") || IsSymbol("->")) Refuse("다른 테이블의 열 " + name + "은(는) 처리할 수 없습니다");
      return ColumnNode(name);
    } else {
      Refuse(kind_ == kEnd ? "식이 끝나지 않았습니다" : "'" + token_ + "' 부분을 해석할 수 없습니다");
    }
    Next();
    return node;
  }

  NodePtr ColumnNode(const std::string& name) {
    const int index = layout_.FindColumn(name);
    if (index < 0) Refuse("열 " + MessageText(name) + "이(가) 테이블에 없습니다");
    const Column& c = layout_.columns[index];
    NodePtr node;
    switch (c.type) {
      case 'C': node = Make(Op::kColumn, Type::kChar, c.length); break;
      case 'N': case 'F': node = Make(Op::kColumn, Type::kNumber); node->decimals = c.decimals; break;
      case 'I': node = Make(Op::kColumn, Type::kNumber); node->decimals = 0; break;
      case 'Y': node = Make(Op::kColumn, Type::kNumber); node->decimals = 4; break;
      case 'B': node = Make(Op::kColumn, Type::kNumber); break;
      case 'D': node = Make(Op::kColumn, Type::kDate); break;
      case 'T': node = Make(Op::kColumn, Type::kDateTime); break;
      case 'L': node = Make(Op::kColumn, Type::kLogical); break;
      default: Refuse("열 " + c.name + "의 형식(" + std::string(1, c.type) + ")은(는) 색인 식에 쓸 수 없습니다");
    }
    node->column = c;
    return node;
  }

  // A literal whole number argument, as the functions' lengths and positions are.
  static int Literal(const NodePtr& node, const char* what, int low, int high) {
    const double v = node->literal.number;
    if (node->op != Op::kLiteral || node->type != Type::kNumber || v != std::floor(v) || v < low || v > high)
      Refuse(std::string(what) + "의 길이와 위치는 정수 상수여야 합니다");
    return static_cast<int>(v);
  }

  static Op FindFunction(const std::string& name) {
    // Names may be cut to four letters or more, as long as one function fits.
    const Function* found = nullptr;
    int matches = 0;
    for (const Function& f : kFunctions) {
      const std::string full = f.name;
      if (full == name) return f.op;
      if (name.size() >= 4 && full.compare(0, name.size(), name) == 0) {
        found = &f;
        ++matches;
      }
    }
    if (matches != 1) Refuse("함수 " + name + "()은(는) 처리할 수 없습니다");
    return found->op;
  }

  NodePtr Call(const std::string& name) {
    const Op op = FindFunction(name);
    Next();  // '('
    std::vector<NodePtr> args;
    if (!IsSymbol(")")) {
      args.push_back(Or());
      while (IsSymbol(",")) {
        Next();
        args.push_back(Or());
      }
    }
    Expect(")");
    NodePtr node = Make(op, Type::kChar);
    const Invocation call{name, args};
    switch (op) {
      case Op::kDeleted:
        call.Arity(0, 0);
        node->type = Type::kLogical;
        break;
      case Op::kUpper: case Op::kLower: case Op::kAllTrim: case Op::kLeftTrim: case Op::kRightTrim:
        call.Arity(1, 1);
        Require(args[0], Type::kChar, call.what);
        node->width = args[0]->width;
        break;
      case Op::kDtos: case Op::kTtoc: DateText(call, *node); break;
      case Op::kStr: Str(call, *node); break;
      case Op::kLeft: case Op::kRight: case Op::kSubstr: Slice(call, *node); break;
      case Op::kPadLeft: case Op::kPadRight: case Op::kPadCenter: Pad(call, *node); break;
      case Op::kBinToC: BinToC(call, *node); break;
      default:
        Refuse("함수 " + name + "()은(는) 처리할 수 없습니다");
    }
    node->args = std::move(args);
    return node;
  }

  // A function's name as written and its arguments.
  struct Invocation {
    const std::string& name;
    const std::vector<NodePtr>& args;
    const char* what = name.c_str();
    std::size_t n = args.size();
    void Arity(std::size_t low, std::size_t high) const {
      if (n < low || n > high) Refuse(name + "()의 인수 개수가 맞지 않습니다");
    }
  };

  static void DateText(const Invocation& call, ExprNode& node) {
    const auto& args = call.args;
    if (node.op == Op::kTtoc) {
      call.Arity(2, 2);
      Require(args[0], Type::kDateTime, call.what);
      Literal(args[1], call.what, 1, 1);
      node.width = 14;
      return;
    }
    // DTOC only with 1: its other forms follow SET DATE.
    const std::size_t arity = call.name.rfind("DTOC", 0) == 0 ? 2 : 1;
    call.Arity(arity, arity);
    if (call.n == 2) Literal(args[1], call.what, 1, 1);
    if (args[0]->type != Type::kDate && args[0]->type != Type::kDateTime) Require(args[0], Type::kDate, call.what);
    node.width = 8;
  }

  static void Str(const Invocation& call, ExprNode& node) {
    const auto& args = call.args;
    call.Arity(1, 3);
    Require(args[0], Type::kNumber, call.what);
    node.width = call.n > 1 ? Literal(args[1], call.what, 1, 255) : 10;
    node.a = call.n > 2 ? Literal(args[2], call.what, 0, 18) : 0;
    if (args[0]->decimals < 0) Refuse("소수 자릿수를 알 수 없는 값의 STR()은(는) 처리할 수 없습니다");
    // Dropped decimals round in a way the owning application does not document exactly.
    if (args[0]->decimals > node.a) Refuse("소수 자리를 버리는 STR()은(는) 처리할 수 없습니다");
    node.asterisks = args[0]->op == Op::kColumn && args[0]->column.type == 'I';
  }

  static void Slice(const Invocation& call, ExprNode& node) {
    const auto& args = call.args;
    if (node.op != Op::kSubstr) {
      call.Arity(2, 2);
      Require(args[0], Type::kChar, call.what);
      node.a = Literal(args[1], call.what, 0, 65535);
      node.width = std::min(node.a, args[0]->width);
      return;
    }
    call.Arity(2, 3);
    Require(args[0], Type::kChar, call.what);
    node.a = Literal(args[1], call.what, 1, 65535);
    node.width = std::max(0, args[0]->width - node.a + 1);
    if (call.n > 2) {
      node.b = Literal(args[2], call.what, 0, 65535);
      node.width = std::min(node.width, node.b);
    }
  }

  static void Pad(const Invocation& call, ExprNode& node) {
    const auto& args = call.args;
    call.Arity(2, 3);
    Require(args[0], Type::kChar, call.what);
    node.width = node.a = Literal(args[1], call.what, 0, 65535);
    if (call.n < 3) return;
    const ExprNode& fill = *args[2];
    if (fill.op != Op::kLiteral || fill.type != Type::kChar || fill.literal.text.size() != 1 ||
        static_cast<unsigned char>(fill.literal.text[0]) >= 0x80)
      Refuse(call.name + "()의 채움 문자는 한 바이트 문자 상수여야 합니다");
    node.fill = fill.literal.text[0];
  }

  static void BinToC(const Invocation& call, ExprNode& node) {
    const auto& args = call.args;
    call.Arity(1, 2);
    Require(args[0], Type::kNumber, call.what);
    node.width = 4;
    if (call.n > 1 && args[1]->type == Type::kNumber) {
      node.width = Literal(args[1], call.what, 1, 8);
    } else if (call.n > 1) {
      if (args[1]->op != Op::kLiteral) Refuse("BINTOC()의 둘째 인수는 상수여야 합니다");
      for (char f : ascii::Upper(args[1]->literal.text)) {
        if (f >= '1' && f <= '8') node.width = f - '0';
        else if (f == 'S') node.signFlip = false;
        else if (f == 'R') node.reversed = true;
        else Refuse(std::string("BINTOC()의 플래그 ") + f + "은(는) 처리할 수 없습니다");
      }
    }
    if (node.width != 1 && node.width != 2 && node.width != 4 && node.width != 8)
      Refuse("BINTOC()의 크기는 1, 2, 4, 8이어야 합니다");
  }

  std::string_view text_;
  const TableLayout& layout_;
  std::size_t pos_ = 0;
  Kind kind_ = kEnd;
  std::string token_;
};

}  // namespace

std::unique_ptr<ExprNode> ParseExpression(std::string_view text, const TableLayout& layout, std::string& why) {
  try {
    Parser parser(text, layout);
    return parser.Whole();
  } catch (const Unsupported& refused) {
    why = refused.why;
    return nullptr;
  }
}

}  // namespace dbf::detail::cdx
