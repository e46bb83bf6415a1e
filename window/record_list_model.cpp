#include "window/record_list_model.h"

#include <algorithm>
#include <iterator>

namespace window {

int RecordListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int RecordListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 2; }

QVariant RecordListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const RecordRow& row = rows_[static_cast<std::size_t>(index.row())];
  if (role == Qt::DisplayRole) return index.column() == 0 ? row.status : row.data;
  if (role == Qt::ToolTipRole && index.column() == 1) return row.data;  // the whole record
  return {};
}

QVariant RecordListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Vertical) return section + 1;
  return section == 0 ? QStringLiteral("상태") : QStringLiteral("레코드 데이터");
}

void RecordListModel::Clear() {
  if (rows_.empty()) return;
  beginResetModel();
  rows_.clear();
  endResetModel();
}

void RecordListModel::InsertRows(int first, std::vector<RecordRow>&& rows) {
  if (rows.empty()) return;
  first = std::clamp(first, 0, rowCount());
  beginInsertRows({}, first, first + static_cast<int>(rows.size()) - 1);
  rows_.insert(rows_.begin() + first, std::make_move_iterator(rows.begin()),
               std::make_move_iterator(rows.end()));
  endInsertRows();
}

void RecordListModel::SetRecordData(int row, const QString& data) {
  if (row < 0 || row >= rowCount()) return;
  rows_[static_cast<std::size_t>(row)].data = data;
  emit dataChanged(index(row, 1), index(row, 1), {Qt::DisplayRole});
}

}  // namespace window
