// Marking a saved row deleted, under the table's and the row's locks.
#include "dbf/messages.h"
#include "dbf/recordset_impl.h"

namespace dbf {

using detail::Fail;
using detail::FailTable;

void Recordset::DeleteRow(std::uint32_t recordNumber) {
  if (!impl_->open) Fail("테이블이 열려 있지 않아 행을 지울 수 없습니다.");
  impl_->Delete(recordNumber);
}

void Recordset::Impl::Delete(std::uint32_t recordNumber) {
  const std::string& t = tableName;
  const std::string row = std::to_string(recordNumber) + "번째 행";
  if (!file.Writable()) FailTable(t, "의 " + row + "을 지울 수 없습니다: 파일이 읽기 전용입니다.");
  if (recordNumber == 0 || recordNumber >= detail::kHeaderLockOffset) FailTable(t, "에 " + row + "이 없습니다.");
  detail::ByteLock headerLock, rowLock;
  if (!headerLock.Acquire(file, detail::kHeaderLockOffset) ||
      !rowLock.Acquire(file, detail::RecordLockOffset(recordNumber)))
    FailTable(t, "을(를) 다른 프로그램이 잠그고 있어 " + row + "을 지우지 못했습니다. 잠시 후 다시 시도하십시오.");
  const std::uint32_t count = ReadRecordCount();
  std::vector<std::uint8_t> before;
  if (recordNumber > count || !ReadRecord(recordNumber - 1, before)) FailTable(t, "에 " + row + "이 없습니다.");
  detail::IndexWrite indexWrite(structuralIndex, file, count, nullptr);
  // One byte: a kill leaves the row either deleted or not. A row found
  // deleted already still has its keys put right, so deleting it again
  // finishes what a killed run left undone.
  const std::uint64_t at = layout.headerLength + std::uint64_t(recordNumber - 1) * layout.recordLength;
  if (before[0] != '*')
    if (int error = file.WriteAt(at, "*", 1))
      FailTable(t, "의 " + row + "을 지우지 못했습니다: " + detail::SystemErrorText(error) + ".");
  before[0] = ' ';
  std::vector<std::uint8_t> after = before;
  after[0] = '*';
  indexWrite.Deleted(recordNumber, count, before.data(), after.data());
  ListWrittenFiles();
}

}  // namespace dbf
