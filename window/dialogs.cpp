#include "window/dialogs.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <map>
#include <memory>
#include <set>

#include "window/csv_text.h"

namespace window {
namespace {

const QStringList kProblemColumns{QStringLiteral("줄"), QStringLiteral("필드"), QStringLiteral("내용"),
                                  QStringLiteral("이유")};

QString Lines(const QString& text) { return QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")); }

// Line 0 is the file as a whole.
QStringList Cells(const ModMain::Problem& problem) {
  return {problem.line > 0 ? QString::number(problem.line) : QStringLiteral("파일"),
          QString::fromStdString(problem.field), QString::fromStdString(problem.text),
          Lines(QString::fromStdString(problem.reason)).replace('\n', ' ')};
}

// Ctrl+C copies every cell chosen, not only the current one.
class ProblemTable : public QTableWidget {
 public:
  using QTableWidget::QTableWidget;

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if (event != QKeySequence::Copy) return QTableWidget::keyPressEvent(event);
    QApplication::clipboard()->setText(SelectedCellsText(*this));
    event->accept();
  }
};

void SaveProblemList(QWidget* parent, const std::vector<ModMain::Problem>& problems) {
  const QString path = QFileDialog::getSaveFileName(parent, QStringLiteral("문제 목록 저장"),
                                                    QDir::home().filePath(QStringLiteral("문제목록.csv")),
                                                    QStringLiteral("CSV 파일 (*.csv)"));
  if (path.isEmpty()) return;
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(ProblemListCsv(problems)) < 0 ||
      !file.flush())
    ShowOkMessageBox(parent, QStringLiteral("파일을 저장할 수 없습니다.\r\n%1\r\n%2").arg(path, file.errorString()));
}

}  // namespace

void ShowOkMessageBox(QWidget* parent, const QString& text) {
  QMessageBox box(parent);
  box.setWindowTitle(QStringLiteral("dbfimport"));
  box.setText(Lines(text));
  box.setStandardButtons(QMessageBox::Ok);
  box.exec();
}

bool AskNoByDefault(QWidget* parent, const QString& question) {
  QMessageBox box(QMessageBox::Question, QStringLiteral("dbfimport"), Lines(question),
                  QMessageBox::Yes | QMessageBox::No, parent);
  box.setDefaultButton(QMessageBox::No);
  box.setEscapeButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

QString ProblemListText(const std::vector<ModMain::Problem>& problems) {
  QString text = kProblemColumns.join('\t') + '\n';
  for (const ModMain::Problem& problem : problems) text += Cells(problem).join('\t') + '\n';
  return text;
}

QByteArray ProblemListCsv(const std::vector<ModMain::Problem>& problems) {
  QList<QStringList> rows{kProblemColumns};
  for (const ModMain::Problem& problem : problems) rows.append(Cells(problem));
  return CsvText(rows);
}

QString SelectedCellsText(const QTableWidget& table) {
  std::map<int, std::map<int, QString>> rows;
  std::set<int> columns;
  for (const QTableWidgetItem* item : table.selectedItems()) {
    rows[item->row()][item->column()] = item->text();
    columns.insert(item->column());
  }
  QString text;
  for (const auto& [row, cells] : rows) {
    QStringList line;
    for (const int column : columns) line.append(cells.count(column) ? cells.at(column) : QString());
    text += line.join('\t') + '\n';
  }
  return text;
}

void ShowProblemList(QWidget* parent, const QString& heading, const std::vector<ModMain::Problem>& problems) {
  const std::unique_ptr<QDialog> dialog(NewProblemList(parent, heading, problems));
  dialog->exec();
}

QDialog* NewProblemList(QWidget* parent, const QString& heading, const std::vector<ModMain::Problem>& problems) {
  auto* dialog = new QDialog(parent);
  dialog->setWindowTitle(QStringLiteral("dbfimport"));
  auto* layout = new QVBoxLayout(dialog);
  layout->addWidget(new QLabel(Lines(heading)));
  auto* table = new ProblemTable(static_cast<int>(problems.size()), kProblemColumns.size());
  table->setObjectName(QStringLiteral("ProblemTable"));
  table->setHorizontalHeaderLabels(kProblemColumns);
  table->verticalHeader()->hide();
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->horizontalHeader()->setStretchLastSection(true);
  for (int row = 0; row < table->rowCount(); ++row) {
    const QStringList cells = Cells(problems[static_cast<std::size_t>(row)]);
    for (int column = 0; column < cells.size(); ++column) {
      auto* item = new QTableWidgetItem(cells[column]);
      item->setToolTip(cells[column]);
      table->setItem(row, column, item);
    }
  }
  table->resizeColumnsToContents();
  layout->addWidget(table);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
  QPushButton* copy = buttons->addButton(QStringLiteral("복사(&C)"), QDialogButtonBox::ActionRole);
  QPushButton* save = buttons->addButton(QStringLiteral("저장(&S)"), QDialogButtonBox::ActionRole);
  // Enter after either still presses "닫기", the default.
  copy->setAutoDefault(false);
  save->setAutoDefault(false);
  QObject::connect(copy, &QPushButton::clicked, dialog,
                   [problems] { QApplication::clipboard()->setText(ProblemListText(problems)); });
  QObject::connect(save, &QPushButton::clicked, dialog, [dialog, problems] { SaveProblemList(dialog, problems); });
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  buttons->button(QDialogButtonBox::Close)->setDefault(true);
  layout->addWidget(buttons);
  dialog->resize(720, 360);
  return dialog;
}

}  // namespace window
