// The option buttons of the import kinds, one exclusive group over both tabs,
// and their keyboard: Tab reaches the options of the tab shown (the chosen
// one when it is there, else the tab's first), the arrow keys choose the
// previous or next option of that tab, and Alt with an option's number
// chooses it. One option is always chosen.
#pragma once

#include <QObject>
#include <QRadioButton>
#include <vector>

class QButtonGroup;

namespace window {

class KindOptions : public QObject {
  Q_OBJECT
 public:
  explicit KindOptions(QObject* parent);
  // A new option for `kind` on `tab`, numbered after the tab's others:
  // "차량(&2)" is chosen by Alt+2 while its tab is shown.
  QRadioButton* Add(const QString& caption, int kind, int tab);
  QButtonGroup* Group() const { return group_; }
  // Shows the options of `tab` and hides the others'.
  void ShowTab(int tab);

 private:
  class Option;
  std::vector<Option*> OptionsOf(int tab) const;
  void UpdateTabStops();
  // Chooses the option before (-1) or after (+1) `from` on its tab.
  void Step(Option* from, int direction);

  QButtonGroup* group_;
  std::vector<Option*> options_;
  int shownTab_ = 0;
};

}  // namespace window
