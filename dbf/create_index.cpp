// Writing a new structural index for a table (a demo and test aid; the
// importer never creates files).
#include <algorithm>
#include <cerrno>

#include "dbf/ascii.h"
#include "dbf/cdx/index.h"
#include "dbf/cdx/tree.h"
#include "dbf/code_page.h"
#include "dbf/dbf.h"
#include "dbf/messages.h"
#include "dbf/os/file.h"
#include "dbf/table_names.h"

namespace dbf {

using detail::Fail;
using detail::FailTable;
namespace cdx = detail::cdx;

namespace {

// K of a new tag: the width of a text result, 8 for numbers and dates (4 for a
// bare integer column), 1 for logicals.
int KeyLengthOf(const IndexTagSpec& spec, const detail::TableLayout& layout) {
  cdx::Expression key;
  std::string why;
  if (!key.Parse(spec.key, layout, false, why)) Fail("태그 " + spec.name + "의 키 식: " + why + ".");
  switch (key.ResultType()) {
    case cdx::Type::kChar: return key.Width();
    case cdx::Type::kLogical: return 1;
    default: return key.BareColumnType() == 'I' ? 4 : 8;
  }
}

}  // namespace

void CreateStructuralIndex(const std::string& tablePath, const std::vector<IndexTagSpec>& specs) {
  detail::FileHandle table;
  if (int error = table.Open(tablePath)) FailTable(tablePath, "을(를) 열 수 없습니다: " + detail::SystemErrorText(error) + ".");
  const detail::TableLayout layout = detail::ReadTableLayout(table, tablePath);
  const std::string codePage = detail::CodePageForMark(layout.codePageMark);
  const bool upperCase = tablePath.size() > 4 && tablePath.compare(tablePath.size() - 3, 3, "DBF") == 0;
  const std::string path = tablePath.substr(0, tablePath.size() - 3) + (upperCase ? "CDX" : "cdx");

  std::vector<IndexTagSpec> sorted = specs;
  for (IndexTagSpec& spec : sorted)
    spec.name = ascii::Upper(spec.name);
  std::sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) { return a.name < b.name; });

  // The file header, the directory leaf, then one header block per tag; the
  // trees follow at the end.
  std::vector<cdx::Header> headers;
  cdx::Node directory;
  directory.offset = cdx::kHeaderSize;
  directory.attributes = cdx::kRootBit | cdx::kLeafBit;
  for (std::size_t i = 0; i < sorted.size(); ++i) {
    const IndexTagSpec& spec = sorted[i];
    if (spec.name.empty() || spec.name.size() > 10 || !detail::IsValidTableName(spec.name))
      Fail("태그 이름 '" + spec.name + "'은(는) 1~10자의 영문자, 숫자, '_'여야 합니다.");
    cdx::Header h;
    h.keyLength = static_cast<std::uint16_t>(KeyLengthOf(spec, layout));
    h.options = cdx::Option::kCompact | cdx::Option::kCompound | (spec.unique ? cdx::Option::kUnique : 0) |
                (spec.candidate ? cdx::Option::kCandidate : 0) | (spec.filter.empty() ? 0 : cdx::Option::kFor);
    h.order = spec.descending ? 1 : 0;
    h.keyText = spec.key;
    h.forText = spec.filter;
    headers.push_back(h);
    const std::uint32_t offset = cdx::kHeaderSize + cdx::kPageSize + static_cast<std::uint32_t>(i) * cdx::kHeaderSize;
    directory.entries.push_back({spec.name + std::string(10 - spec.name.size(), ' '), offset, 0});
  }
  directory.widths = cdx::WidthsFor(10, cdx::kHeaderSize + cdx::kPageSize + sorted.size() * cdx::kHeaderSize);
  cdx::Page page;
  if (!cdx::Encode(directory, cdx::KeyFormat{10, ' '}, page)) Fail("태그가 너무 많습니다.");

  if (int error = os::File().Open(path, {.write = true, .create = true, .exclusive = true, .permissions = 0644}))
    Fail("색인 파일 " + path + "을(를) 만들 수 없습니다: " + detail::SystemErrorText(error) + ".");
  cdx::CdxFile file;
  file.Open(path);
  try {
    cdx::Header fileHeader;
    fileHeader.root = cdx::kHeaderSize;
    fileHeader.keyLength = 10;
    fileHeader.options = cdx::Option::kCompact | cdx::Option::kCompound | cdx::Option::kDirectory;
    file.WriteHeader(0, fileHeader);
    file.WritePage(cdx::kHeaderSize, page);
    for (std::size_t i = 0; i < headers.size(); ++i) file.WriteHeader(directory.entries[i].recno, headers[i]);
    file.BeginUpdate();
    const std::uint32_t count = layout.recordCount;
    for (std::size_t i = 0; i < headers.size(); ++i) {
      const cdx::Tag tag = cdx::DefineTag(sorted[i].name, directory.entries[i].recno, headers[i], layout, codePage);
      if (!tag.problem.empty()) Fail("태그 " + tag.name + ": " + tag.problem + ".");
      cdx::Tree(file, tag.header, tag.format).Rebuild(cdx::TableKeys(tag, table, layout, count));
    }
  } catch (const cdx::IoFailure& failure) {
    Fail("색인 파일 " + path + "에 쓸 수 없습니다: " + detail::SystemErrorText(failure.error) + ".");
  } catch (const cdx::Inexact&) {
    Fail("색인 파일 " + path + ": 어떤 행의 키를 정확히 만들 수 없습니다.");
  } catch (const cdx::Damaged&) {
    Fail("색인 파일 " + path + "을(를) 만들지 못했습니다.");
  }
  const std::uint8_t flags = layout.flags | 0x01;
  if (int error = table.WriteAt(28, &flags, 1)) FailTable(tablePath, "의 헤더를 고치지 못했습니다: " + detail::SystemErrorText(error) + ".");
}

}  // namespace dbf
