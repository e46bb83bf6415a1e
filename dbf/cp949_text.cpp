// CP949 text walked one character at a time: the display as UTF-8 and the
// validity test share this one walk.
//
// A converter's own loop cannot be trusted to say where a bad character
// starts: glibc's reads both bytes of the unassigned pair 0xA2 0xE8 before it
// fails. So the character boundaries are found here, by the code page's
// structure, and the converter is asked only once per two-byte pair, to fill a
// table of what each pair means (dbf/os/text.h).
#include <array>
#include <memory>

#include "dbf/dbf.h"
#include "dbf/os/text.h"

namespace dbf {
namespace {

bool IsLead(unsigned char c) { return c >= 0x81 && c <= 0xFE; }
bool IsTrail(unsigned char c) { return (c >= 0x41 && c <= 0x5A) || (c >= 0x61 && c <= 0x7A) || (c >= 0x81 && c <= 0xFE); }

// The UTF-16 unit of every lead/trail pair, 0 for a pair that is no
// character. CP949 maps into the Basic Multilingual Plane only.
using PairTable = os::Cp949PairTable;

std::unique_ptr<PairTable> BuildPairTable() {
  auto table = std::make_unique<PairTable>();
  os::DecodeCp949Pairs(*table, [](unsigned char lead, unsigned char trail) { return IsLead(lead) && IsTrail(trail); });
  return table;
}

const PairTable& Pairs() {
  static const std::unique_ptr<PairTable> table = BuildPairTable();
  return *table;
}

// One character at `at`: its length in bytes (1 or 2) and its code point,
// kNoCharacter when the bytes are no CP949 character. A lead byte followed by
// a possible trail byte is one character of two bytes, valid or not; a lead
// byte without one is a bad character of one byte, and the byte after it
// starts afresh.
constexpr char32_t kNoCharacter = 0xFFFFFFFF;

struct Character {
  std::size_t length;
  char32_t codePoint;
};

Character CharacterAt(std::string_view text, std::size_t at) {
  const auto c = static_cast<unsigned char>(text[at]);
  if (c < 0x80) return {1, c};
  if (!IsLead(c) || at + 1 >= text.size()) return {1, kNoCharacter};
  const auto trail = static_cast<unsigned char>(text[at + 1]);
  if (!IsTrail(trail)) return {1, kNoCharacter};
  const char16_t unit = Pairs()[c << 8 | trail];
  return {2, unit == 0 ? kNoCharacter : unit};
}

void AppendUtf8(std::string& out, char32_t codePoint) {
  if (codePoint < 0x80) {
    out += static_cast<char>(codePoint);
  } else if (codePoint < 0x800) {
    out += static_cast<char>(0xC0 | codePoint >> 6);
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | codePoint >> 12);
    out += static_cast<char>(0x80 | (codePoint >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  }
}

bool IsAscii(std::string_view text) {
  for (unsigned char c : text)
    if (c >= 0x80) return false;
  return true;
}

}  // namespace

std::string DisplayText(std::string_view cp949) {
  if (IsAscii(cp949)) return std::string(cp949);
  std::string out;
  out.reserve(cp949.size() * 3 / 2 + 8);
  for (std::size_t at = 0; at < cp949.size();) {
    const Character c = CharacterAt(cp949, at);
    AppendUtf8(out, c.codePoint == kNoCharacter ? U'\uFFFD' : c.codePoint);
    at += c.length;
  }
  return out;
}

std::size_t FirstNonCp949Byte(std::string_view text) {
  if (IsAscii(text)) return std::string_view::npos;
  for (std::size_t at = 0; at < text.size();) {
    const Character c = CharacterAt(text, at);
    if (c.codePoint == kNoCharacter) return at;
    at += c.length;
  }
  return std::string_view::npos;
}

}  // namespace dbf
