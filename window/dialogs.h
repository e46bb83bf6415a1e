// The window's modal boxes: a message with OK, a yes/no question whose
// default is the safe "no", and the list of problems the check found. Form1
// takes them as functions, so the tests answer them instead of a clerk.
#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <vector>

#include "common/file_check.h"

class QDialog;
class QTableWidget;
class QWidget;

namespace window {

// Shows a message with an OK button only; returns when it closes.
using MessageBoxFunction = std::function<void(const QString& text)>;
// Asks a yes/no question; true for yes.
using QuestionFunction = std::function<bool(const QString& question)>;
// Shows the problems of a file (nothing was written); returns when it closes.
using ProblemListFunction =
    std::function<void(const QString& heading, const std::vector<ModMain::Problem>& problems)>;

void ShowOkMessageBox(QWidget* parent, const QString& text);
bool AskNoByDefault(QWidget* parent, const QString& question);
void ShowProblemList(QWidget* parent, const QString& heading, const std::vector<ModMain::Problem>& problems);
// The problem list ShowProblemList shows, not yet shown: the table ("ProblemTable";
// Ctrl+A, Ctrl+C copies the cells chosen), "복사" (the whole list), "저장" (a
// CSV file where the clerk says) and "닫기", the default button.
QDialog* NewProblemList(QWidget* parent, const QString& heading, const std::vector<ModMain::Problem>& problems);

// The problems as the copy button puts them on the clipboard: a header line
// and one line per problem, the columns separated by tabs.
QString ProblemListText(const std::vector<ModMain::Problem>& problems);
// The same as "저장" writes it: CSV (csv_text.h) with the same header.
QByteArray ProblemListCsv(const std::vector<ModMain::Problem>& problems);
// The cells chosen in `table`, one line per row that has any, the columns
// that have any separated by tabs.
QString SelectedCellsText(const QTableWidget& table);

}  // namespace window
