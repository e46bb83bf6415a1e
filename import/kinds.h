// The kind table: every import kind with its tab, caption, file-name rule,
// record length and routine. The pipeline, the check, the command line's
// help and the window's option buttons all read it; adding a kind is one
// entry here (and its routine).
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "common/import_kind.h"
#include "import/imports.h"

namespace ModMain {

using ImportRoutine = void (*)(Run&);
using LayoutFunction = std::span<const ColumnRule> (*)();

enum class NameTest {
  kEquals,   // the whole name
  kPrefix,   // the name starts with the pattern, ASCII letters in any case
  kContains  // the name contains the pattern
};

struct KindInfo {
  ImportKind kind;
  const char* tab;      // "골재" or "레미콘"
  const char* caption;  // the option button's caption
  NameTest test;
  const char* pattern;   // what the file name is tested against
  const char* nameRule;  // the rule in words, for help texts and messages
  int recordLength;      // bytes of a record of a sound export file
  ImportRoutine routine;
  LayoutFunction layout;  // the columns a record is cut into first, with their field names
};

// In the order of the kinds' numbers.
std::span<const KindInfo> Kinds();
// Throws std::out_of_range for a kind outside the table.
const KindInfo& KindInfoOf(ImportKind kind);

// "골재 · 차량": the tab and the caption, as the window shows the chosen
// kind; "?" for a number outside the table (a journal of another version).
std::string KindLabel(ImportKind kind);

// The kind's file-name test on a decoded name (no directory).
bool FileNameFits(ImportKind kind, std::string_view fileNameUtf8);

}  // namespace ModMain
