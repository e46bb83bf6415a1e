// Marking a saved row deleted, under the table's and the row's locks.
#include "dbf/messages.h"
#include "dbf/lock_schemes.h"
#include "dbf/recordset_impl.h"

namespace dbf {

using detail::Fail;
using detail::FailTable;

void Recordset::DeleteRow(std::uint32_t recordNumber) {
  if (!impl_->open) Fail("테이블이 열려 있지 않아 행을 지울 수 없습니다.");
  impl_->Delete(recordNumber);
}

Recordset::DeleteOutcome Recordset::DeleteRowIfSame(
    std::uint32_t recordNumber, const std::function<bool(std::span<const std::uint8_t>)>& same) {
  if (!impl_->open) Fail("테이블이 열려 있지 않아 행을 지울 수 없습니다.");
  return impl_->Delete(recordNumber, &same);
}

Recordset::DeleteOutcome Recordset::Impl::Delete(
    std::uint32_t recordNumber, const std::function<bool(std::span<const std::uint8_t>)>* same) {
  const std::string& t = tableName;
  const std::string row = std::to_string(recordNumber) + "번째 행";
  if (!file.Writable()) FailTable(t, "의 " + row + "을 지울 수 없습니다: 파일이 읽기 전용입니다.");
  if (recordNumber == 0 || recordNumber >= detail::kMaxTableSize) FailTable(t, "에 " + row + "이 없습니다.");
  connection->EndBatch();  // a batch of this connection holds the locks taken here
  detail::ByteLocks headerLocks, rowLocks;
  if (!headerLocks.Acquire(file, detail::HeaderLockBytes()) ||
      !rowLocks.Acquire(file, detail::RecordLockBytes(recordNumber, layout.headerLength, layout.recordLength)))
    FailTable(t, "을(를) 다른 프로그램이 잠그고 있어 " + row + "을 지우지 못했습니다. 잠시 후 다시 시도하십시오.");
  const std::uint32_t count = ReadRecordCount();
  std::vector<std::uint8_t> before;
  if (recordNumber > count || !ReadRecord(recordNumber - 1, before)) {
    if (!same) FailTable(t, "에 " + row + "이 없습니다.");
    // Past the count: a whole record the caller saved, or less than a record
    // (the first part of a killed save's record), which no program counts.
    const long long dataEnd = layout.headerLength + static_cast<long long>(count) * layout.recordLength;
    if (recordNumber == count + 1 && file.Size() > dataEnd + 1 && (!ReadRecord(count, before) || (*same)(before)))
      CutTail(count);
    return DeleteOutcome::kBeyondCount;
  }
  const bool wasDeleted = before[0] == '*';
  if (same && !(*same)(before)) return wasDeleted ? DeleteOutcome::kWasDeleted : DeleteOutcome::kDiffers;
  detail::IndexWrite indexWrite(structuralIndex, file, count, nullptr);
  // One byte: a kill leaves the row either deleted or not. A row found
  // deleted already still has its keys put right, so deleting it again
  // finishes what a killed run left undone.
  const std::uint64_t at = layout.headerLength + std::uint64_t(recordNumber - 1) * layout.recordLength;
  if (!wasDeleted)
    if (int error = file.WriteAt(at, "*", 1))
      FailTable(t, "의 " + row + "을 지우지 못했습니다: " + detail::SystemErrorText(error) + ".");
  before[0] = ' ';
  std::vector<std::uint8_t> after = before;
  after[0] = '*';
  indexWrite.Deleted(recordNumber, count, before.data(), after.data());
  ListWrittenFiles();
  ++connection->writes[path];
  return wasDeleted ? DeleteOutcome::kWasDeleted : DeleteOutcome::kDeleted;
}

// A save killed after its record but before its count leaves the record, or
// the first part of it, past the count, where a program that reads up to the
// end mark shows it. The file is cut back to the record's flag first, then the
// end mark goes over the flag: never an end mark as the flag of a whole
// record, which a program counting records from the file size would take for
// a record (row_writer.cpp rule 4).
void Recordset::Impl::CutTail(std::uint32_t count) {
  const std::uint64_t dataEnd = layout.headerLength + std::uint64_t(count) * layout.recordLength;
  int error = file.Truncate(dataEnd + 1);
  if (error == 0) error = file.WriteAt(dataEnd, "\x1A", 1);
  if (error != 0)
    FailTable(tableName, "의 " + std::to_string(count + 1) + "번째 행을 지우지 못했습니다: " +
                             detail::SystemErrorText(error) + ".");
  ListWrittenFiles();
}

}  // namespace dbf
