// The record list (ListView1) as a model: two columns, "상태" and
// "레코드 데이터" (the whole record also as its tooltip), appended in
// batches so 32 767 rows stay cheap.
#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <vector>

namespace window {

struct RecordRow {
  QString status;
  QString data;
};

class RecordListModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  using QAbstractTableModel::QAbstractTableModel;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  void Clear();
  // Inserts the rows before row `first` (0-based; clamped to the end).
  void InsertRows(int first, std::vector<RecordRow>&& rows);
  // The second column of row `row` (0-based); ignored past the end.
  void SetRecordData(int row, const QString& data);

 private:
  std::vector<RecordRow> rows_;
};

}  // namespace window
