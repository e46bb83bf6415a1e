#include "window/code_map_model.h"

#include <QHeaderView>
#include <QTreeView>
#include <iterator>

namespace window {

int CodeMapModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int CodeMapModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 3; }

QVariant CodeMapModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount() || (role != Qt::DisplayRole && role != Qt::ToolTipRole)) return {};
  return rows_[static_cast<std::size_t>(index.row())][static_cast<std::size_t>(index.column())];
}

QVariant CodeMapModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole || orientation != Qt::Horizontal) return {};
  static const QString kHeaders[] = {QStringLiteral("예전코드"), QStringLiteral("현재코드"), QStringLiteral("거래처명")};
  return kHeaders[section];
}

void CodeMapModel::Clear() {
  if (rows_.empty()) return;
  beginResetModel();
  rows_.clear();
  endResetModel();
}

void CodeMapModel::Append(std::vector<CodeMapRow>&& rows) {
  if (rows.empty()) return;
  beginInsertRows({}, rowCount(), rowCount() + static_cast<int>(rows.size()) - 1);
  rows_.insert(rows_.end(), std::make_move_iterator(rows.begin()), std::make_move_iterator(rows.end()));
  endInsertRows();
}

QTreeView* MakeCodeMapList(CodeMapModel* model) {
  auto* list = new QTreeView;
  list->setObjectName(QStringLiteral("listHyun"));
  list->setModel(model);
  list->setRootIsDecorated(false);
  list->setUniformRowHeights(true);
  // The codes are six characters: their columns are sized once, the name takes the rest.
  QHeaderView* header = list->header();
  const int code = list->fontMetrics().horizontalAdvance(QStringLiteral("예전코드")) +
                   list->fontMetrics().averageCharWidth() * 3;
  header->resizeSection(0, code);
  header->resizeSection(1, code);
  header->setStretchLastSection(true);
  return list;
}

}  // namespace window
