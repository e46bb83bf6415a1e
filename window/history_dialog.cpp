#include "window/history_dialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "common/encoding.h"
#include "common/journal_runs.h"
#include "dbf/os/folders.h"
#include "import/kinds.h"
#include "window/run_texts.h"

namespace window {
namespace {

QString Utf8(const std::string& text) { return QString::fromStdString(text); }

bool Undoable(const ModMain::JournalRun& run) { return run.Rows() > 0 && run.undone.empty(); }

}  // namespace

HistoryDialog::HistoryDialog(const QString& tableDirectory, std::vector<ModMain::JournalRun> runs, QWidget* parent)
    : QDialog(parent), runs_(std::move(runs)) {
  setWindowTitle(QStringLiteral("가져오기 기록"));
  auto* layout = new QVBoxLayout(this);
  auto* heading = new QLabel(QStringLiteral("테이블 폴더 %1에 가져온 기록입니다 (최근 것부터).")
                                 .arg(QDir::toNativeSeparators(tableDirectory)));
  heading->setWordWrap(true);
  layout->addWidget(heading);
  List = new QTreeWidget;
  List->setObjectName(QStringLiteral("HistoryList"));
  List->setHeaderLabels({QStringLiteral("시각"), QStringLiteral("종류"), QStringLiteral("파일"),
                         QStringLiteral("저장한 행"), QStringLiteral("결과"), QStringLiteral("되돌림")});
  List->setRootIsDecorated(false);
  List->setUniformRowHeights(true);
  for (const ModMain::JournalRun& run : runs_) {
    const std::string path = ModMain::DecodeFileName(run.file);
    auto* item = new QTreeWidgetItem(
        {Utf8(run.started), Utf8(ModMain::KindLabel(run.kind)), Utf8(dbf::os::FileNameOf(path)),
         RowsText(run.rows), Utf8(ModMain::RunOutcomeText(run)), Utf8(run.undone)});
    item->setToolTip(2, Utf8(path));
    List->addTopLevelItem(item);
  }
  for (int column = 0; column < List->columnCount(); ++column) {  // with air between the columns
    List->resizeColumnToContents(column);
    List->setColumnWidth(column, List->columnWidth(column) + List->fontMetrics().averageCharWidth() * 2);
  }
  layout->addWidget(List);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
  UndoButton = buttons->addButton(QStringLiteral("되돌리기(&U)"), QDialogButtonBox::ActionRole);
  UndoButton->setObjectName(QStringLiteral("HistoryUndo"));
  UndoButton->setToolTip(QStringLiteral("고른 가져오기가 저장한 행을 지웁니다 (먼저 묻습니다)"));
  UndoButton->setAutoDefault(false);  // Enter closes; undoing takes this button itself
  QPushButton* close = buttons->button(QDialogButtonBox::Close);
  close->setDefault(true);
  layout->addWidget(buttons);

  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(UndoButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(List, &QTreeWidget::currentItemChanged, this, [this] {
    const int row = List->indexOfTopLevelItem(List->currentItem());
    UndoButton->setEnabled(row >= 0 && Undoable(runs_[static_cast<std::size_t>(row)]));
  });
  UndoButton->setEnabled(false);
  if (!runs_.empty()) List->setCurrentItem(List->topLevelItem(0));
  List->setFocus();
  resize(760, 360);
}

std::optional<ModMain::JournalRun> HistoryDialog::ChosenRun() const {
  const int row = List->indexOfTopLevelItem(List->currentItem());
  if (result() != Accepted || row < 0) return std::nullopt;
  return runs_[static_cast<std::size_t>(row)];
}

std::optional<ModMain::JournalRun> ChooseRunToUndo(QWidget* parent, const QString& tableDirectory,
                                                    const std::vector<ModMain::JournalRun>& runs) {
  HistoryDialog dialog(tableDirectory, runs, parent);
  dialog.exec();
  return dialog.ChosenRun();
}

}  // namespace window
