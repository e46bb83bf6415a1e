// The code-map list (listHyun) as a model: old code, new code, customer
// name, appended in batches. Fixed column widths, nothing measured per row,
// so the 32 766 entries of a large customer file keep the window responsive.
#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <array>
#include <vector>

class QTreeView;

namespace window {

using CodeMapRow = std::array<QString, 3>;

class CodeMapModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  using QAbstractTableModel::QAbstractTableModel;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  void Clear();
  void Append(std::vector<CodeMapRow>&& rows);

 private:
  std::vector<CodeMapRow> rows_;
};

// The list's view over `model`, its columns sized once from the font.
QTreeView* MakeCodeMapList(CodeMapModel* model);

}  // namespace window
