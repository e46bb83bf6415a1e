#include "window/kind_options.h"

#include <QButtonGroup>
#include <QKeyEvent>
#include <algorithm>

namespace window {

// An option that tells its group when it gets the focus (Qt then takes the
// Tab stop from its siblings, which may be on the hidden tab) and when an
// arrow key is pressed on it.
class KindOptions::Option : public QRadioButton {
 public:
  Option(const QString& caption, int tab, KindOptions& owner) : QRadioButton(caption), tab_(tab), owner_(owner) {}
  int Tab() const { return tab_; }

 protected:
  void focusInEvent(QFocusEvent* event) override {
    QRadioButton::focusInEvent(event);
    owner_.UpdateTabStops();
  }
  void keyPressEvent(QKeyEvent* event) override {
    switch (event->key()) {
      case Qt::Key_Up:
      case Qt::Key_Left: return owner_.Step(this, -1);
      case Qt::Key_Down:
      case Qt::Key_Right: return owner_.Step(this, +1);
      default: QRadioButton::keyPressEvent(event);
    }
  }

 private:
  int tab_;
  KindOptions& owner_;
};

KindOptions::KindOptions(QObject* parent) : QObject(parent), group_(new QButtonGroup(this)) {
  group_->setExclusive(true);
  connect(group_, &QButtonGroup::idToggled, this, [this] { UpdateTabStops(); });
}

QRadioButton* KindOptions::Add(const QString& caption, int kind, int tab) {
  const auto number = OptionsOf(tab).size() + 1;
  auto* option = new Option(QStringLiteral("%1(&%2)").arg(caption).arg(number), tab, *this);
  // Shown with its parent otherwise; a hidden option's shortcut does nothing.
  if (tab != shownTab_) option->hide();
  // The first option is the one a run takes until another is chosen.
  option->setChecked(options_.empty());
  group_->addButton(option, kind);
  options_.push_back(option);
  UpdateTabStops();
  return option;
}

void KindOptions::ShowTab(int tab) {
  shownTab_ = tab;
  // The tab's options first: an option losing the focus as it hides passes
  // it on to the Tab stop among them.
  for (Option* option : options_)
    if (option->Tab() == tab) option->show();
  UpdateTabStops();
  for (Option* option : options_)
    if (option->Tab() != tab) option->hide();
}

std::vector<KindOptions::Option*> KindOptions::OptionsOf(int tab) const {
  std::vector<Option*> options;
  for (Option* option : options_)
    if (option->Tab() == tab) options.push_back(option);
  return options;
}

void KindOptions::UpdateTabStops() {
  const std::vector<Option*> shown = OptionsOf(shownTab_);
  if (shown.empty()) return;
  const auto checked = std::find_if(shown.begin(), shown.end(), [](Option* o) { return o->isChecked(); });
  const Option* stop = checked != shown.end() ? *checked : shown.front();
  for (Option* option : options_)
    option->setFocusPolicy(option == stop ? Qt::StrongFocus : Qt::ClickFocus);
}

void KindOptions::Step(Option* from, int direction) {
  const std::vector<Option*> shown = OptionsOf(from->Tab());
  const auto at = std::find(shown.begin(), shown.end(), from) - shown.begin();
  const auto count = static_cast<std::ptrdiff_t>(shown.size());
  Option* next = shown[static_cast<std::size_t>((at + direction + count) % count)];
  next->click();  // chooses it, as a mouse click does
  next->setFocus(Qt::TabFocusReason);
}

}  // namespace window
