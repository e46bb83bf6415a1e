#include "window/dialogs.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

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

void ShowProblemList(QWidget* parent, const QString& heading, const std::vector<ModMain::Problem>& problems) {
  QDialog dialog(parent);
  dialog.setWindowTitle(QStringLiteral("dbfimport"));
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(new QLabel(Lines(heading)));
  auto* table = new QTableWidget(static_cast<int>(problems.size()), kProblemColumns.size());
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
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
  QPushButton* copy = buttons->addButton(QStringLiteral("복사"), QDialogButtonBox::ActionRole);
  QObject::connect(copy, &QPushButton::clicked, &dialog,
                   [&problems] { QApplication::clipboard()->setText(ProblemListText(problems)); });
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  buttons->button(QDialogButtonBox::Ok)->setDefault(true);
  layout->addWidget(buttons);
  dialog.resize(720, 360);
  dialog.exec();
}

}  // namespace window
