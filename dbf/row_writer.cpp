// The locked save of the rows being added, in batches.
//
// The tables are shared with programs that read and append while we do, and
// this program can be killed at any instant. Every batch of saves keeps these
// rules for all its records at once (a batch of one row without
// Connection::BeginBatches); the kill, stress and write-failure tests name the
// rule they check. A batch holds the table's locks from its first row to its
// write, so no program that honours them appends in between.
//  (1) The counted records are never touched: a batch writes only past the end
//      of the counted records and the header's date and count (bytes 1-7).
//  (2) The records go whole, each with its deletion flag, and a new end mark
//      after them, in one write at the end of the counted records (where the
//      old end mark is). A kill leaves nothing, or whole records with valid
//      flags past the count (with or without the end mark), or, when it cuts
//      the write at a page of the system's cache, a first part of them that
//      starts with a valid flag.
//  (3) The count is written once, after the records: a reader that trusts the
//      count never sees a half record, and an engine that counts records from
//      the file size adopts only whole records with valid flags.
//  (4) The end mark 0x1A is never written where a record's flag is with the
//      record's bytes after it: bytes past the count are cut back first, then
//      the end mark is written. No reader that counts from the file size can
//      ever take an end mark for a flag.
//  (5) A tail past the count that a killed batch leaves (at most a batch of
//      records and an end mark) is overwritten by the next batch. A longer
//      tail holds whole records of another writer: the save is refused.
//  (6) A failed write is undone (by rule (4)): the table is as it was, with
//      its end mark.
//  (7) The connection's row observer (the run journal) hears of the batch's
//      records before any byte of them is written; if it fails, they are not
//      written (memo blocks already written stay unreferenced, as after a kill).
#include <ctime>
#include <cstring>

#include "dbf/conversions.h"
#include "dbf/lock_schemes.h"
#include "dbf/messages.h"
#include "dbf/recordset_impl.h"

namespace dbf {

using detail::Fail;
using detail::FailMemo;
using detail::FailTable;

namespace {

std::tm LocalNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local {};
  localtime_r(&now, &local);
  return local;
}

// Header bytes 1-3: the writer's year style is kept (year % 100 as FoxPro
// writes it, or year - 1900 as dBASE writers do).
void PutUpdateDate(std::uint8_t* bytes, std::uint8_t oldYear, const std::tm& local) {
  const int year = local.tm_year + 1900;
  bytes[0] = static_cast<std::uint8_t>(oldYear >= 100 ? year - 1900 : year % 100);
  bytes[1] = static_cast<std::uint8_t>(local.tm_mon + 1);
  bytes[2] = static_cast<std::uint8_t>(local.tm_mday);
}

}  // namespace

void Recordset::Impl::Save() {
  const std::string& t = tableName;
  NewRow();  // a row nothing was set in is saved as the format's blank
  if (!file.Writable())
    FailTable(t, "에 행을 저장할 수 없습니다: 파일이 읽기 전용입니다.");
  for (const detail::Column& c : layout.columns)
    if (c.autoIncrement)
      FailTable(t, "의 열 " + detail::MessageText(c.name) + "은(는) 자동 증가 열이어서 이 프로그램으로는 행을 추가할 수 없습니다.");

  if (connection->batchOwner != this) connection->EndBatch();  // another table's batch
  if (batch && batch->rows >= Connection::kMaxBatchRows) CommitBatch();  // rule (5)'s bound
  if (!batch) BeginBatch();
  try {
    AddToBatch();
  } catch (...) {
    if (batch->rows == 0) DropBatch();
    throw;
  }
  adding = false;
  pendingMemos.clear();
  if (!connection->batching) CommitBatch();
}

void Recordset::Impl::BeginBatch() {
  const std::string& t = tableName;
  auto b = std::make_unique<Batch>();
  // The date is read before the first write: the time zone files it may load
  // must not widen the moment between the records and their count.
  b->now = LocalNow();
  // The header byte of every locking scheme, so that FoxPro-family and
  // Clipper-family programs appending meanwhile all wait for this batch.
  // A check writes only to memory: it has no reason to make others wait.
  if (!connection->checkOnly && !b->lock.Acquire(file, detail::HeaderLockBytes()))
    FailTable(t, "을(를) 다른 프로그램이 잠그고 있어 행을 저장하지 못했습니다. 잠시 후 다시 시도하십시오.");

  // The header is re-read under the lock: another program may have appended.
  std::uint8_t header[detail::kHeaderPrefix];
  if (file.ReadAt(0, header, sizeof header) != static_cast<long>(sizeof header))
    FailTable(t, "의 헤더를 읽을 수 없습니다.");
  if (header[0] != layout.version || detail::ReadLE16(header + 8) != layout.headerLength ||
      detail::ReadLE16(header + 10) != layout.recordLength)
    FailTable(t, "의 구조가 연 뒤에 바뀌었습니다. 테이블을 다시 여십시오.");
  const std::uint32_t recordCount = detail::ReadLE32(header + 4);
  const long long size = file.Size();
  const std::uint64_t dataEnd = layout.headerLength + std::uint64_t(recordCount) * layout.recordLength;
  if (size < 0 || dataEnd > static_cast<std::uint64_t>(size))
    FailTable(t, "의 레코드 수(" + std::to_string(recordCount) +
         ")가 파일 크기와 맞지 않습니다. 테이블이 손상되었습니다.");
  // Rule (5): other programs count records from the file size; more whole
  // records past the count than a killed batch leaves are theirs.
  if (static_cast<std::uint64_t>(size) - dataEnd > std::uint64_t(Connection::kMaxBatchRows) * layout.recordLength + 1u)
    FailTable(t, "의 레코드 수(" + std::to_string(recordCount) + ")보다 파일에 있는 레코드(" +
                     std::to_string((size - layout.headerLength) / layout.recordLength) +
                     "개)가 많아 행을 추가하지 않았습니다. 응용 프로그램에서 테이블을 복구하십시오.");
  b->yearByte = header[1];
  b->firstCount = recordCount;
  b->dataEnd = dataEnd;
  b->hadTail = static_cast<std::uint64_t>(size) > dataEnd;
  // The structural index's share: checked before anything is written, keys
  // after the records and their count.
  b->index = std::make_unique<detail::IndexWrite>(structuralIndex, file, recordCount, nullptr);
  b->began = std::chrono::steady_clock::now();
  batch = std::move(b);
  connection->batchOwner = this;
}

void Recordset::Impl::AddToBatch() {
  const std::uint32_t recordCount = batch->firstCount + batch->rows;
  const std::uint64_t newEnd = batch->dataEnd + std::uint64_t(batch->rows + 1) * layout.recordLength;
  if (recordCount == 0xFFFFFFFFu || newEnd + 1 >= detail::kMaxTableSize)
    FailTable(tableName, "이(가) 최대 크기(2GB)에 이르러 행을 더 추가할 수 없습니다.");
  batch->index->RefuseHeldKey(row.data(), recordCount);  // a candidate key held already
  WriteMemos();  // first: a record must never point at blocks not yet written
  batch->records.insert(batch->records.end(), row.begin(), row.begin() + layout.recordLength);
  ++batch->rows;
}

void Recordset::Impl::DropBatch() {
  memo.DropHeld();
  batch.reset();
  connection->batchOwner = nullptr;
}

void Recordset::Impl::CommitBatch(bool wholeRecordsOnly) {
  if (!batch) return;
  const std::uint32_t rows = wholeRecordsOnly ? batch->finishedRows : batch->rows;
  if (rows == 0 && wholeRecordsOnly) return;
  // The whole batch ends; its locks go when this does.
  std::unique_ptr<Batch> ending = rows == batch->rows ? std::move(batch) : nullptr;
  Batch& b = ending ? *ending : *batch;
  if (ending) connection->batchOwner = nullptr;
  if (rows == 0) {
    if (ending) memo.DropHeld();  // of rows dropped: never written
    return;
  }
  try {
    WriteBatch(b, rows);
  } catch (...) {
    if (!ending) DropBatch();
    // Kept for Connection::EndBatch when the write was not asked for there
    // (a table switch, a close): the records waiting must not count as saved.
    if (connection->batching) connection->batchFailure = std::current_exception();
    throw;
  }
  if (ending) return;
  // The rows of the unfinished record stay, under the locks still held.
  b.records.erase(b.records.begin(), b.records.begin() + std::size_t(rows) * layout.recordLength);
  b.firstCount += rows;
  b.dataEnd += std::uint64_t(rows) * layout.recordLength;
  b.hadTail = true;  // the end mark just written
  b.rows -= rows;
  b.finishedRows = 0;
}

// The first `rows` rows of the batch.
void Recordset::Impl::WriteBatch(Batch& batch, std::uint32_t rows) {
  Batch* b = &batch;
  const std::string& t = tableName;
  std::vector<std::uint8_t> some;
  if (rows < b->rows) some.assign(b->records.begin(), b->records.begin() + std::size_t(rows) * layout.recordLength);
  std::vector<std::uint8_t>& records = rows < b->rows ? some : b->records;
  memo.WriteHeld();  // first: a record must never point at blocks not yet written
  NotifyRowObserver(*b, rows);  // rule (7)

  // Rules (2) and (3): the records whole with their end mark, then the count.
  std::size_t written = 0;
  // Rules (6) and (4): cut back to the first flag, then the end mark over it.
  auto undo = [&] {
    if (written == 0) return;
    file.Truncate(b->hadTail ? b->dataEnd + 1 : b->dataEnd);
    if (b->hadTail) file.WriteAt(b->dataEnd, "\x1A", 1);
  };
  records.push_back(0x1A);
  if (int error = file.WriteAt(b->dataEnd, records.data(), records.size(), &written)) {
    undo();
    FailTable(t, "에 행을 저장하지 못했습니다: " + detail::SystemErrorText(error) + ".");
  }
  if (connection->batchProbe) connection->batchProbe(BatchPoint::kRecordsWritten);
  std::uint8_t update[7];  // header bytes 1-7: date and count
  PutUpdateDate(update, b->yearByte, b->now);
  detail::WriteLE32(update + 3, b->firstCount + rows);
  if (int headerError = file.WriteAt(1, update, sizeof update)) {
    undo();
    FailTable(t, "의 헤더를 고치지 못했습니다: " + detail::SystemErrorText(headerError) + ".");
  }
  if (connection->batchProbe) connection->batchProbe(BatchPoint::kCountWritten);
  b->index->Appended(b->firstCount + 1, records.data(), rows, layout.recordLength);  // each page written once

  if (connection->checkOnly) connection->checkedRows[t] += static_cast<int>(rows);  // in memory
  else ListWrittenFiles();
  connection->savedRows[t] += static_cast<int>(rows);
  ++connection->writes[path];
}

void Recordset::Impl::WriteMemos() {
  for (const auto& [index, content] : pendingMemos) {
    const detail::Column& c = layout.columns[index];
    std::uint8_t* field = row.data() + c.offset;
    if (content.empty()) continue;  // left as the blank pointer
    const std::uint32_t block = memo.Append(content, c.type == 'M', /*held=*/connection->batching);
    if (c.length == 4) {
      detail::WriteLE32(field, block);
    } else {
      const std::string digits = std::to_string(block);
      std::memset(field, ' ', c.length);
      std::memcpy(field + c.length - digits.size(), digits.data(), digits.size());
    }
  }
}

void Recordset::Impl::NotifyRowObserver(const Batch& batch, std::uint32_t rows) {
  if (!connection->rowObserver || connection->checkOnly) return;
  std::vector<ObservedRow> observed(rows);
  for (std::uint32_t i = 0; i < rows; ++i)
    observed[i] = {batch.firstCount + i + 1,
                   std::span<const std::uint8_t>(batch.records.data() + std::size_t(i) * layout.recordLength,
                                                 layout.recordLength)};
  connection->rowObserver(tableName, observed);
}

void Recordset::Impl::ListWrittenFiles() {
  if (flushGeneration == connection->flushGeneration) return;
  // Listed once per flush round, not once per row.
  connection->writtenFiles.insert(path);
  if (memo.IsOpen()) connection->writtenFiles.insert(memo.Path());
  structuralIndex.NoteWritten();
  flushGeneration = connection->flushGeneration;
}

}  // namespace dbf
