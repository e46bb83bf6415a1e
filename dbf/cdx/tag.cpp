#include "dbf/cdx/tag.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "dbf/ascii.h"
#include "dbf/messages.h"

namespace dbf::detail::cdx {

namespace {

// Empty when the tag can be kept current; the reason otherwise.
std::string Classify(Tag& tag, const TableLayout& layout, const std::string& codePage) {
  const Header& h = tag.info;
  const std::uint8_t known = Option::kUnique | Option::kNullable | Option::kCandidate | Option::kFor |
                             Option::kCompact | Option::kCompound;
  if ((h.options & ~known) || !(h.options & Option::kCompact) || !(h.options & Option::kCompound) || h.order > 1)
    return "태그 형식(옵션 " + ascii::HexByte(h.options) + ")을 처리할 수 없습니다";
  if (!h.collation.empty() && h.collation != "MACHINE")
    return "정렬 순서 " + MessageText(h.collation) + "은(는) 처리할 수 없습니다";
  if (h.keyLength < 1 || h.keyLength > 240) return "키 길이 " + std::to_string(h.keyLength) + "을(를) 처리할 수 없습니다";
  if (((h.options & Option::kFor) != 0) != !h.forText.empty()) return "FOR 조건 표시가 맞지 않습니다";
  tag.nullForm = h.options & Option::kNullable;
  std::string why;
  if (!tag.key.Parse(h.keyText, layout, tag.nullForm, why)) return "키 식 " + MessageText(h.keyText) + ": " + why;
  if (!h.forText.empty()) {
    if (!tag.filter.Parse(h.forText, layout, tag.nullForm, why)) return "FOR 식 " + MessageText(h.forText) + ": " + why;
    if (tag.filter.ResultType() != Type::kLogical) return "FOR 식 " + MessageText(h.forText) + "이(가) 논리값이 아닙니다";
  }
  if (!codePage.empty() && (tag.key.ChangesCase() || (tag.filter.IsSet() && tag.filter.ChangesCase())))
    return "CP949가 아닌 코드 페이지의 대소문자 변환은 처리할 수 없습니다";
  const int valueLength = h.keyLength - (tag.nullForm ? 1 : 0);
  switch (tag.key.ResultType()) {
    case Type::kChar:
      tag.kind = KeyKind::kText;
      return "";
    case Type::kNumber:
      // Currency keys are written differently by different programs.
      if (tag.key.BareColumnType() == 'Y') return "통화(Y) 열의 키는 처리할 수 없습니다";
      tag.kind = valueLength == 4 ? KeyKind::kInt32 : KeyKind::kDouble;
      return valueLength == 4 || valueLength == 8 ? "" : "숫자 키의 길이가 맞지 않습니다";
    case Type::kDate:
      tag.kind = KeyKind::kDouble;
      return valueLength == 8 ? "" : "날짜 키의 길이가 맞지 않습니다";
    case Type::kLogical:
      tag.kind = KeyKind::kLogical;
      return valueLength == 1 ? "" : "논리 키의 길이가 맞지 않습니다";
    default:
      // The owning application rounds the seconds of these keys its own way.
      return "날짜시간(T) 키는 처리할 수 없습니다";
  }
}

}  // namespace

std::string SortableDouble(double value) {
  if (value == 0) value = 0;  // -0.0 sorts as 0
  std::uint64_t bits;
  std::memcpy(&bits, &value, 8);
  bits = (bits >> 63) ? ~bits : bits | (std::uint64_t(1) << 63);
  std::string out(8, '\0');
  for (int i = 0; i < 8; ++i) out[i] = static_cast<char>(bits >> (56 - 8 * i));
  return out;
}

std::string SortableInt32(std::int32_t value) {
  const std::uint32_t bits = static_cast<std::uint32_t>(value) ^ 0x80000000u;
  std::string out(4, '\0');
  for (int i = 0; i < 4; ++i) out[i] = static_cast<char>(bits >> (24 - 8 * i));
  return out;
}

Tag DefineTag(std::string name, std::uint32_t header, const Header& info, const TableLayout& layout,
              const std::string& codePage) {
  Tag tag;
  tag.name = std::move(name);
  tag.header = header;
  tag.info = info;
  tag.problem = Classify(tag, layout, codePage);
  tag.format.length = info.keyLength;
  tag.format.pad = tag.kind == KeyKind::kText ? ' ' : 0;
  return tag;
}

std::optional<std::string> Tag::KeyOf(const std::uint8_t* record) const {
  if (filter.IsSet()) {
    const Value holds = filter.Evaluate(record);
    if (holds.null || !holds.logical) return std::nullopt;
  }
  const Value v = key.Evaluate(record);
  std::string out;
  std::size_t length = format.length;
  if (nullForm) {
    if (v.null) return std::string(length, '\0');
    out.push_back('\x80');
    --length;
  }
  switch (kind) {
    case KeyKind::kText:
      out.append(v.text, 0, length);
      out.append(length - std::min(length, v.text.size()), ' ');
      break;
    case KeyKind::kDouble:
      out += SortableDouble(v.type == Type::kDate ? static_cast<double>(v.day) : v.number);
      break;
    case KeyKind::kInt32:
      if (v.number != std::floor(v.number) || v.number < -2147483648.0 || v.number > 2147483647.0) throw Inexact{};
      out += SortableInt32(static_cast<std::int32_t>(v.number));
      break;
    case KeyKind::kLogical:
      out.push_back(v.logical ? 'T' : 'F');
      break;
  }
  return out;
}

}  // namespace dbf::detail::cdx

namespace dbf::detail::cdx {

std::vector<Entry> TableKeys(const Tag& tag, const FileHandle& table, const TableLayout& layout,
                             std::uint32_t recordCount) {
  std::vector<Entry> entries;
  const std::uint32_t perChunk = std::max<std::uint32_t>(1, 65536 / layout.recordLength);
  std::vector<std::uint8_t> chunk;
  for (std::uint32_t first = 0; first < recordCount; first += perChunk) {
    const std::uint32_t n = std::min(perChunk, recordCount - first);
    chunk.resize(std::size_t(n) * layout.recordLength);
    const long got = table.ReadAt(layout.headerLength + std::uint64_t(first) * layout.recordLength, chunk.data(),
                                  chunk.size());
    if (got != static_cast<long>(chunk.size())) throw IoFailure{got < 0 ? errno : EIO};
    for (std::uint32_t i = 0; i < n; ++i)
      if (auto key = tag.KeyOf(chunk.data() + std::size_t(i) * layout.recordLength))
        entries.push_back(Entry{std::move(*key), first + i + 1, 0});
  }
  std::stable_sort(entries.begin(), entries.end(),
                   [](const Entry& a, const Entry& b) { return a.key < b.key; });
  if (tag.Unique()) {
    auto same = [](const Entry& a, const Entry& b) { return a.key == b.key; };
    entries.erase(std::unique(entries.begin(), entries.end(), same), entries.end());
  }
  return entries;
}

}  // namespace dbf::detail::cdx
