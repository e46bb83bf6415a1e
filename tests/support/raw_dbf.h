// An independent byte-level reader of table files for the tests: it does not
// use the table layer, so a fault of the layer cannot hide itself.
#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace rawdbf {

struct Field {
  std::string name;
  char type = 0;
  int length = 0;
  int decimals = 0;
  int offset = 0;  // inside the record, the deletion flag is byte 0
};

struct Layout {
  std::uint8_t version = 0;
  std::uint32_t count = 0;
  std::uint16_t headerLength = 0;
  std::uint16_t recordLength = 0;
  std::vector<Field> fields;

  std::uint64_t RecordStart(std::uint64_t index) const {
    return headerLength + index * recordLength;
  }
  const Field& FieldNamed(const std::string& name) const {
    for (const Field& f : fields)
      if (f.name == name) return f;
    throw std::runtime_error("no field " + name);
  }
};

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

inline std::uint32_t Le32(const std::string& b, std::size_t at) {
  return static_cast<std::uint8_t>(b[at]) | static_cast<std::uint8_t>(b[at + 1]) << 8 |
         static_cast<std::uint8_t>(b[at + 2]) << 16 |
         static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[at + 3])) << 24;
}
inline std::uint16_t Le16(const std::string& b, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<std::uint8_t>(b[at]) |
                                    static_cast<std::uint8_t>(b[at + 1]) << 8);
}
inline void PutLe32(std::string& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>(v >> (8 * i));
}
inline void PutLe16(std::string& b, std::size_t at, std::uint16_t v) {
  b[at] = static_cast<char>(v);
  b[at + 1] = static_cast<char>(v >> 8);
}

// Header and descriptors; throws on anything a sound table cannot hold.
inline Layout ParseLayout(const std::string& b) {
  if (b.size() < 32) throw std::runtime_error("file shorter than a header");
  Layout l;
  l.version = static_cast<std::uint8_t>(b[0]);
  l.count = Le32(b, 4);
  l.headerLength = Le16(b, 8);
  l.recordLength = Le16(b, 10);
  if (l.headerLength > b.size()) throw std::runtime_error("header longer than file");
  int offset = 1;
  std::size_t at = 32;
  for (; at + 32 <= l.headerLength && b[at] != 0x0D; at += 32) {
    Field f;
    f.name = std::string(b.c_str() + at, 11).c_str();
    f.type = b[at + 11];
    f.length = static_cast<std::uint8_t>(b[at + 16]);
    f.decimals = static_cast<std::uint8_t>(b[at + 17]);
    f.offset = offset;
    offset += f.length;
    l.fields.push_back(f);
  }
  if (at >= l.headerLength || b[at] != 0x0D) throw std::runtime_error("no descriptor terminator");
  if (offset != l.recordLength) throw std::runtime_error("field lengths do not add up");
  return l;
}

// Raw bytes of one field of record `index` (0-based), trailing blanks removed.
inline std::string FieldText(const std::string& b, const Layout& l, std::uint64_t index,
                             const std::string& name) {
  const Field& f = l.FieldNamed(name);
  const std::string v = b.substr(l.RecordStart(index) + f.offset, f.length);
  const std::size_t first = v.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return v.substr(first, v.find_last_not_of(' ') - first + 1);
}

// What a kill may leave after the counted records: nothing; the end mark,
// followed by at most one record's worth of unfinished bytes (every reader
// stops at the end mark or at the count); or one whole record with or without
// its end mark. Half a record with no end mark before it is what readers that
// scan to the end mark would show as a half row. Returns "" when the file
// keeps that promise, else what is wrong.
inline std::string CheckCountAgainstSize(const std::string& b, const Layout& l) {
  const std::uint64_t counted = l.RecordStart(l.count);
  if (counted > b.size()) return "header count exceeds the records on disk";
  const std::uint64_t tail = b.size() - counted;
  if (tail == 0) return "";
  const char first = b[counted];
  if (first == 0x1A) {
    if (tail <= l.recordLength + 1u) return "";
    return "more than one record's worth of bytes after the end mark";
  }
  const bool endMark = b.back() == 0x1A;
  if ((first == ' ' || first == '*') &&
      (tail == l.recordLength || (tail == l.recordLength + 1u && endMark)))
    return "";
  return "tail of " + std::to_string(tail) + " bytes after the counted records is not a whole record";
}

// The state a finished append leaves: counted records then exactly one end mark.
inline std::string CheckClean(const std::string& b, const Layout& l) {
  if (b.size() != l.RecordStart(l.count) + 1)
    return "size " + std::to_string(b.size()) + " but header says " +
           std::to_string(l.RecordStart(l.count) + 1);
  if (b.back() != 0x1A) return "no end mark after the last record";
  return "";
}

}  // namespace rawdbf
