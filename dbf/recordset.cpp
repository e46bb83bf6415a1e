// Recordset: the public handle, opening and closing a table, reading rows.
#include <algorithm>
#include <cerrno>

#include "dbf/code_page.h"
#include "dbf/lock_schemes.h"
#include "dbf/messages.h"
#include "dbf/recordset_impl.h"

namespace dbf {

using detail::Fail;
using detail::FailMemo;
using detail::FailTable;

Recordset::Recordset() : impl_(std::make_unique<Impl>()) {}

Recordset::~Recordset() {
  try {
    Close();
  } catch (const Error&) {
    Close();  // the batch that failed is gone: nothing is left to fail
  }
}

void Recordset::Open(std::string_view tableName, Connection& connection) {
  if (impl_->open) FailTable(impl_->tableName, "이(가) 이미 열려 있습니다. 먼저 닫으십시오.");
  if (!connection.state_->open)
    FailTable(tableName, "을(를) 열 수 없습니다: 데이터베이스 연결이 닫혀 있습니다.");
  impl_->OpenTable(std::string(tableName), connection.state_);
  connection.state_->recordsets.push_back(this);
}

bool Recordset::IsOpen() const { return impl_->open; }

const std::string& Recordset::TableName() const { return impl_->tableName; }

void Recordset::Close() {
  if (!impl_->open) return;
  impl_->CommitBatch();  // a failure leaves the table as before the batch, and open
  auto& list = impl_->connection->recordsets;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  impl_->CloseTable();
}

int Recordset::ColumnCount() const { return impl_->open ? static_cast<int>(impl_->layout.columns.size()) : 0; }

const std::string& Recordset::ColumnName(int position) const {
  if (!impl_->open || position < 0 || position >= ColumnCount())
    FailTable(impl_->tableName, "에 " + std::to_string(position) + "번째 열이 없습니다.");
  return impl_->layout.columns[position].name;
}

char Recordset::ColumnType(int position) const {
  ColumnName(position);  // checks the position
  return impl_->layout.columns[position].type;
}

bool Recordset::ColumnIsBinary(int position) const {
  ColumnName(position);
  return impl_->layout.columns[position].binary;
}

void Recordset::AddNew() {
  if (!impl_->open) Fail("테이블이 열려 있지 않아 행을 추가할 수 없습니다.");
  if (impl_->adding) impl_->Save();  // a pending new row is saved first
  impl_->row.clear();
  impl_->pendingMemos.clear();
  impl_->adding = true;
}

void Recordset::BlankNewRow(Blank blank) {
  if (!impl_->open || !impl_->adding)
    FailTable(impl_->tableName, "에 추가 중인 행이 없어 값을 넣을 수 없습니다.");
  if (blank == Blank::kFormat) impl_->BlankRow();
  else impl_->BlankWithZeroValues();
}

void Recordset::SetValue(std::string_view columnName, const Value& value) {
  if (!impl_->open || !impl_->adding)
    FailTable(impl_->tableName, "에 추가 중인 행이 없어 열 " + detail::MessageText(columnName) +
         "에 값을 넣을 수 없습니다.");
  impl_->Store(impl_->RequireColumn(columnName), value);
}

void Recordset::SetValueAt(int position, const Value& value) {
  ColumnName(position);  // checks the position
  if (!impl_->adding)
    FailTable(impl_->tableName, "에 추가 중인 행이 없어 값을 넣을 수 없습니다.");
  impl_->Store(position, value);
}

void Recordset::Update() {
  if (!impl_->open || !impl_->adding) FailTable(impl_->tableName, "에 저장할 새 행이 없습니다.");
  impl_->Save();
}

void Recordset::Discard() {
  impl_->adding = false;
  impl_->pendingMemos.clear();
}

void Recordset::MoveFirst() {
  impl_->RequireOpen();
  impl_->adding = false;
  impl_->pendingMemos.clear();
  impl_->count = impl_->ReadRecordCount();
  impl_->position = 0;
  while (impl_->position < impl_->count) {
    if (!impl_->ReadRecord(impl_->position, impl_->current)) break;
    if (impl_->current[0] != '*') return;
    ++impl_->position;
  }
  impl_->position = impl_->count;
}

bool Recordset::Eof() const { return !impl_->open || impl_->position >= impl_->count; }

void Recordset::MoveNext() {
  if (Eof()) FailTable(impl_->tableName, "의 마지막 행 다음으로는 이동할 수 없습니다.");
  while (++impl_->position < impl_->count) {
    if (!impl_->ReadRecord(impl_->position, impl_->current)) break;
    if (impl_->current[0] != '*') return;
  }
  impl_->position = impl_->count;
}

std::string Recordset::GetText(std::string_view columnName) const {
  impl_->RequireOpen();
  const int index = impl_->RequireColumn(columnName);
  if (impl_->adding) return impl_->ColumnText(impl_->NewRow().data(), index, &impl_->pendingMemos);
  if (Eof()) FailTable(impl_->tableName, "에 현재 행이 없습니다.");
  return impl_->ColumnText(impl_->current.data(), index);
}

bool Recordset::FindFirstEqual(std::string_view matchColumn, std::string_view value,
                               std::string_view returnColumn, std::string& result) {
  impl_->RequireOpen();
  return impl_->FindFirstEqual(impl_->RequireColumn(matchColumn), value, impl_->RequireColumn(returnColumn),
                               result);
}

// ---------------------------------------------------------------------------

void Recordset::Impl::RequireOpen() const {
  if (!open) Fail("테이블이 열려 있지 않습니다.");
}

int Recordset::Impl::RequireColumn(std::string_view name) const {
  const int index = layout.FindColumn(name, columnHint);
  columnHint = index + 1;
  if (index < 0) FailTable(tableName, "에 열 " + detail::MessageText(name) + "이(가) 없습니다.");
  return index;
}

namespace {

// The header and what lies past the counted records: the bytes other
// programs change when they append.
std::vector<std::pair<std::uint64_t, std::uint64_t>> TableBytesKept(const detail::FileHandle& table) {
  std::uint8_t prefix[detail::kHeaderPrefix] = {};
  table.ReadAt(0, prefix, sizeof prefix);
  const std::uint64_t headerLength = std::max<std::uint64_t>(detail::ReadLE16(prefix + 8), sizeof prefix);
  const std::uint64_t end = headerLength + std::uint64_t(detail::ReadLE32(prefix + 4)) * detail::ReadLE16(prefix + 10);
  const long long size = table.Size();
  return {{0, headerLength}, {end, size > 0 && std::uint64_t(size) > end ? size - end : 0}};
}

// The whole structural index as it is now, under its own lock.
void KeepIndexPicture(ConnectionState& state, const std::string& tablePath) {
  const std::string base = tablePath.substr(tablePath.find_last_of('/') + 1);
  const std::string path = state.Resolve(base.substr(0, base.size() - 4), "cdx");
  detail::FileHandle index;
  if (path.empty() || index.Open(path) != 0) return;  // the first write names what is wrong
  detail::ByteLocks lock;
  if (lock.Acquire(index, detail::kIndexLockBytes)) state.OverlayFor(path, index, {{0, index.Size()}});
}

}  // namespace

void Recordset::Impl::OpenTable(const std::string& name, const std::shared_ptr<ConnectionState>& state) {
  if (!detail::IsValidTableName(name))
    Fail("테이블 이름 '" + detail::MessageText(name) +
         "'은(는) 올바르지 않습니다. 테이블 이름에는 영문자, 숫자, '_'만 쓸 수 있습니다.");
  const std::string found = state->Resolve(name, "dbf");
  if (found.empty())
    FailTable(name, "이(가) 폴더 " + state->directory + "에 없습니다 (" + name + ".dbf).");
  const auto refuseExclusive = [&] {
    FailTable(name, "을(를) 다른 프로그램이 단독 사용으로 열어 두어 열 수 없습니다. 그 프로그램에서 테이블을 닫은 뒤 다시 "
                    "시도하십시오.");
  };
  detail::FileHandle handle;
  if (int error = handle.Open(found)) {
    if (error == detail::kOpenExclusivelyElsewhere) refuseExclusive();
    FailTable(name, "(" + found + ")을(를) 열 수 없습니다: " + detail::SystemErrorText(error) + ".");
  }
  // A check's picture of the table, its memo file and its index is taken
  // under the table's locks the first time it opens the table: the count,
  // the file sizes and the memo's next free block agree.
  detail::ByteLocks picture;
  if (state->checkOnly && !state->overlays.count(found)) {
    if (!picture.Acquire(handle, detail::HeaderLockBytes()))
      FailTable(name, "을(를) 다른 프로그램이 잠그고 있어 검사하지 못했습니다. 잠시 후 다시 시도하십시오.");
    handle.KeepWritesIn(state->OverlayFor(found, handle, TableBytesKept(handle)));
  }
  handle.KeepWritesIn(state->OverlayFor(found, handle));
  if (!handle.MarkSharedUse()) refuseExclusive();
  // Header and descriptors only: opening must stay cheap.
  std::vector<std::uint8_t> header(4096);
  long n = handle.ReadAt(0, header.data(), header.size());
  if (n < 0) FailTable(name, "을(를) 읽을 수 없습니다: " + detail::SystemErrorText(errno) + ".");
  const std::uint32_t claimed = detail::ClaimedHeaderLength(header.data(), n);
  if (claimed > header.size()) {
    header.resize(claimed);
    n = handle.ReadAt(0, header.data(), header.size());
    if (n < 0) FailTable(name, "을(를) 읽을 수 없습니다: " + detail::SystemErrorText(errno) + ".");
  }
  const long long size = handle.Size();
  detail::TableLayout parsed = detail::ParseTableHeader(header.data(), n, size < 0 ? 0 : size, name);
  std::string pageName = detail::CodePageForMark(parsed.codePageMark);

  detail::MemoFile memoFile;
  if (parsed.memoKind != detail::MemoKind::kNone) {
    const std::string base = found.substr(found.find_last_of('/') + 1);
    const std::string stem = base.substr(0, base.size() - 4);
    const std::string extension = parsed.memoKind == detail::MemoKind::kDbt ? "dbt" : "fpt";
    const std::string memoPath = state->Resolve(stem, extension);
    if (memoPath.empty())
      FailMemo(name, stem, "." + extension + "이(가) 폴더 " + state->directory +
           "에 없습니다.");
    memoFile.Open(memoPath, parsed.memoKind, name);
    memoFile.Handle().KeepWritesIn(state->OverlayFor(memoPath, memoFile.Handle(), {{0, 512}}));
  }
  if (picture.Held() && parsed.HasStructuralIndex()) KeepIndexPicture(*state, found);
  connection = state;
  tableName = name;
  path = found;
  file = std::move(handle);
  memo = std::move(memoFile);
  layout = std::move(parsed);
  codePage = std::move(pageName);
  structuralIndex.Open(*state, name, path, layout, codePage);
  open = true;
  adding = false;
  pendingMemos.clear();
  zeroRow.reset();
  position = count = 0;
  lookup = {};
  lookupAnswers = {};
  columnHint = 0;
  flushGeneration = ~0ull;
}

void Recordset::Impl::CloseTable() {
  // The front ends end their batches before they close; here a failed write
  // can only leave the table as it was before the batch.
  try {
    CommitBatch();
  } catch (const Error&) {
    DropBatch();
  }
  structuralIndex.Close();
  file.Close();
  memo.Close();
  open = false;
  adding = false;
  pendingMemos.clear();
  lookup = {};
  lookupAnswers = {};
  current.clear();
  position = count = 0;
}

// Under the header lock: no save of another program changes rows or keys meanwhile.
void Recordset::Impl::RepairIndex() {
  detail::ByteLocks lock;
  if (!lock.Acquire(file, detail::HeaderLockBytes()))
    FailTable(tableName, "을(를) 다른 프로그램이 잠그고 있어 색인을 검사하지 못했습니다. 잠시 후 다시 시도하십시오.");
  detail::IndexWrite check(structuralIndex, file, ReadRecordCount(), nullptr, /*verifyFully=*/true);
  ListWrittenFiles();
}

std::uint32_t Recordset::Impl::ReadRecordCount() const {
  std::uint8_t header[8];
  if (file.ReadAt(0, header, 8) != 8)
    FailTable(tableName, "의 헤더를 읽을 수 없습니다.");
  std::uint32_t value = detail::ReadLE32(header + 4);
  // Never read past the whole records on disk.
  const long long size = file.Size();
  const std::uint64_t whole =
      size > layout.headerLength ? (size - layout.headerLength) / layout.recordLength : 0;
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(value, whole));
}

bool Recordset::Impl::ReadRecord(std::uint32_t index, std::vector<std::uint8_t>& out) const {
  out.resize(layout.recordLength);
  const std::uint64_t at = layout.headerLength + std::uint64_t(index) * layout.recordLength;
  return file.ReadAt(at, out.data(), out.size()) == static_cast<long>(out.size());
}

}  // namespace dbf
