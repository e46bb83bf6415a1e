// "가져오기 기록": the runs the journal recorded for the table folder, the
// newest first (time, kind, file, rows per table, outcome, undone), from
// which the clerk picks one to undo. The window then asks and undoes it.
#pragma once

#include <QDialog>
#include <functional>
#include <optional>
#include <vector>

#include "common/journal_run.h"

class QPushButton;
class QTreeWidget;

namespace window {

// Shows the runs; the one the clerk chose to undo, or none.
using RunChoiceFunction =
    std::function<std::optional<ModMain::JournalRun>(const std::vector<ModMain::JournalRun>& runs)>;

class HistoryDialog : public QDialog {
  Q_OBJECT
 public:
  HistoryDialog(const QString& tableDirectory, std::vector<ModMain::JournalRun> runs, QWidget* parent = nullptr);
  // The run "되돌리기" was pressed on, once the dialog is accepted.
  std::optional<ModMain::JournalRun> ChosenRun() const;

  QTreeWidget* List = nullptr;
  QPushButton* UndoButton = nullptr;  // on a run with rows that was not undone

 private:
  std::vector<ModMain::JournalRun> runs_;
};

// The modal dialog as the window uses it.
std::optional<ModMain::JournalRun> ChooseRunToUndo(QWidget* parent, const QString& tableDirectory,
                                                    const std::vector<ModMain::JournalRun>& runs);

}  // namespace window
