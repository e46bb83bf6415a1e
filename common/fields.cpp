// Cutting fields by byte out of CP949 records, and CP949 character helpers.
#include "common/fields.h"

#include <mutex>
#include <unordered_map>

#include "common/encoding.h"
#include "dbf/ascii.h"

namespace ModMain {

std::string CutField(const std::string& record, int start, int length) {
  if (start < 1 || length < 0) return std::string();
  const std::size_t size = record.size();
  std::size_t first = static_cast<std::size_t>(start) - 1;
  if (first >= size || length == 0) return std::string();
  std::size_t end = first + static_cast<std::size_t>(length);  // one past the last byte
  if (end > size) end = size;

  // Walk the characters from the record's start (a CP949 trail byte may be an
  // ASCII letter, so it cannot be told apart on its own); keep the whole
  // characters that lie inside the field.
  std::size_t from = end;  // first byte of the first whole character in the field
  std::size_t to = first;  // one past the last whole character in the field
  std::size_t position = 0;
  while (position < end) {
    std::size_t charLength = Cp949CharLength(static_cast<unsigned char>(record[position]));
    std::size_t charEnd = position + charLength;
    if (position >= first) {
      // A lead byte at the record's very end has no trail byte: a half character.
      if (charEnd <= end && charEnd <= size) {
        if (from == end) from = position;
        to = charEnd;
      }
    }
    position = charEnd;
  }
  if (from >= to) return std::string();
  return std::string(dbf::ascii::Trim(std::string_view(record).substr(from, to - from)));
}

std::string MidChars(const std::string& text, int from, int count) {
  if (from < 1 || count <= 0) return std::string();
  std::size_t position = 0;
  int index = 1;
  while (position < text.size() && index < from) {
    position += Cp949CharLength(static_cast<unsigned char>(text[position]));
    ++index;
  }
  if (position >= text.size()) return std::string();
  std::size_t begin = position;
  int taken = 0;
  while (position < text.size() && taken < count) {
    position += Cp949CharLength(static_cast<unsigned char>(text[position]));
    ++taken;
  }
  if (position > text.size()) position = text.size();
  return text.substr(begin, position - begin);
}

bool ContainsText(const std::string& text, const std::string& needle) {
  if (needle.empty()) return true;
  std::size_t position = 0;
  while (position + needle.size() <= text.size()) {
    if (text.compare(position, needle.size(), needle) == 0) return true;
    position += Cp949CharLength(static_cast<unsigned char>(text[position]));
  }
  return false;
}

const std::string& Cp949(const char* utf8Literal) {
  // Keyed by content: the same literal may live at several addresses. Node
  // based map, so references handed out stay valid as it grows.
  static std::mutex mutex;
  static std::unordered_map<std::string, std::string> cache;
  std::lock_guard<std::mutex> lock(mutex);
  auto found = cache.find(utf8Literal);
  if (found != cache.end()) return found->second;
  return cache.emplace(utf8Literal, Utf8ToCp949(utf8Literal)).first->second;
}

}  // namespace ModMain
