#include <algorithm>
#include <chrono>
#include <cerrno>
#include <csignal>
#include <utility>

#include "dbf/connection_state.h"
#include "dbf/messages.h"
#include "dbf/os/folders.h"
#include "dbf/recordset_impl.h"

namespace dbf {

using detail::Fail;
using detail::FailMemo;
using detail::FailTable;

std::shared_ptr<detail::WriteOverlay> ConnectionState::OverlayFor(
    const std::string& path, const detail::FileHandle& handle,
    const std::vector<std::pair<std::uint64_t, std::uint64_t>>& kept) {
  if (!checkOnly) return nullptr;
  auto& overlay = overlays[path];
  if (overlay) return overlay;
  const long long size = handle.Size();
  overlay = std::make_shared<detail::WriteOverlay>(size < 0 ? 0 : size);
  for (const auto& [offset, length] : kept) overlay->Keep(handle.System(), offset, length);
  return overlay;
}

std::string ConnectionState::Resolve(const std::string& name, const std::string& extension) {
  const std::string found = index.Find(directory, name + "." + extension, name);
  return found.empty() ? "" : directory + "/" + found;
}

Connection::Connection() : state_(std::make_shared<ConnectionState>()) {}

Connection::~Connection() {
  try {
    Close();
  } catch (...) {
    // A destructor cannot report; Close() is the place to see flush errors.
  }
}

void Connection::Open(const std::string& directory, bool checkOnly) {
  if (state_->open) Close();
  const std::string dir = os::WithoutTrailingSeparators(directory);
  if (int error = os::OpenableFolder(dir))
    Fail("테이블 폴더 " + directory + "을(를) 열 수 없습니다: " + detail::SystemErrorText(error) + ".");
  state_ = std::make_shared<ConnectionState>();
  state_->directory = dir;
  state_->open = true;
  state_->checkOnly = checkOnly;
}

void Connection::SetRowObserver(RowObserver observer) { state_->rowObserver = std::move(observer); }

void ConnectionState::EndBatch() {
  if (batchOwner) batchOwner->CommitBatch();
}

void Connection::BeginBatches() { state_->batching = !state_->checkOnly; }

void Connection::FinishRecord() {
  if (Recordset::Impl* owner = state_->batchOwner) owner->batch->finishedRows = owner->batch->rows;
}

bool Connection::BatchDue() const {
  const Recordset::Impl* owner = state_->batchOwner;
  if (!owner) return false;
  using namespace std::chrono_literals;
  return owner->batch->rows >= kMaxBatchRows || std::chrono::steady_clock::now() - owner->batch->began >= 50ms;
}

void Connection::EndBatch() {
  try {
    state_->EndBatch();
  } catch (...) {
    state_->batchFailure = nullptr;  // thrown here, once
    throw;
  }
  if (state_->batchFailure) std::rethrow_exception(std::exchange(state_->batchFailure, nullptr));
}

void Connection::WriteFinishedRecords() {
  if (Recordset::Impl* owner = state_->batchOwner) owner->CommitBatch(/*wholeRecordsOnly=*/true);
}

void Connection::DropUnfinishedRecord() {
  Recordset::Impl* owner = state_->batchOwner;
  if (!owner) return;
  // Memo blocks of the dropped rows stay unreferenced, as after a kill.
  Recordset::Impl::Batch& batch = *owner->batch;
  batch.rows = batch.finishedRows;
  batch.records.resize(std::size_t(batch.rows) * owner->layout.recordLength);
}

std::map<std::string, int> Connection::TakeSavedRows() { return std::exchange(state_->savedRows, {}); }

void Connection::SetBatchProbe(std::function<void(BatchPoint)> probe) { state_->batchProbe = std::move(probe); }

bool Connection::IsOpen() const { return state_->open; }

const std::map<std::string, int>& Connection::CheckedRows() const { return state_->checkedRows; }

void Connection::Close() {
  if (!state_->open) return;
  // Recordset::Close removes itself from the list.
  while (!state_->recordsets.empty()) state_->recordsets.back()->Close();
  state_->open = false;
  FlushWrittenTables();
}

const std::string& Connection::Directory() const { return state_->directory; }

bool Connection::TableExists(std::string_view tableName) const {
  if (!state_->open || !detail::IsValidTableName(tableName)) return false;
  return !state_->Resolve(std::string(tableName), "dbf").empty();
}

void Connection::FlushWrittenTables() {
  state_->EndBatch();
  std::string failed;
  for (const std::string& path : state_->writtenFiles) {
    if (int error = os::SyncFileData(path)) failed = path + ": " + detail::SystemErrorText(error);
  }
  state_->writtenFiles.clear();
  ++state_->flushGeneration;
  if (!failed.empty()) Fail("테이블을 디스크에 기록하지 못했습니다 (" + failed + ").");
}

void ConnectionState::NoteStale(const StaleIndex& stale) {
  if (std::find(staleIndexes.begin(), staleIndexes.end(), stale) == staleIndexes.end())
    staleIndexes.push_back(stale);
}

std::vector<StaleIndex> Connection::TakeStaleIndexes() { return std::exchange(state_->staleIndexes, {}); }

void ConnectionState::NoteRebuilt(const RebuiltTag& tag) {
  if (!checkOnly && std::find(rebuiltTags.begin(), rebuiltTags.end(), tag) == rebuiltTags.end())
    rebuiltTags.push_back(tag);
}

std::vector<RebuiltTag> Connection::TakeRebuiltTags() { return std::exchange(state_->rebuiltTags, {}); }

void Connection::RepairIndexes(const std::vector<std::string>& tables) {
  if (!state_->open || state_->checkOnly) return;
  state_->EndBatch();  // its locks would keep the repair waiting
  for (const std::string& name : tables) {
    if (!TableExists(name)) continue;
    Recordset table;
    table.Open(name, *this);
    table.impl_->RepairIndex();
  }
}

void IgnoreFileSizeSignal() {
#ifdef SIGXFSZ  // Windows has no such signal: a write past a limit fails
  std::signal(SIGXFSZ, SIG_IGN);
#endif
}

}  // namespace dbf
