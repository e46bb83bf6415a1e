// The window's modal boxes: a message with OK, a yes/no question whose
// default is the safe "no", and the list of problems the check found. Form1
// takes them as functions, so the tests answer them instead of a clerk.
#pragma once

#include <QString>
#include <functional>
#include <vector>

#include "common/file_check.h"

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

// The problems as the copy button puts them on the clipboard: a header line
// and one line per problem, the columns separated by tabs.
QString ProblemListText(const std::vector<ModMain::Problem>& problems);

}  // namespace window
