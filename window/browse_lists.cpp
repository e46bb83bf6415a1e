#include "window/browse_lists.h"

#include <QApplication>
#include <QKeyEvent>
#include <QStyle>
#include <QStyledItemDelegate>
#include <algorithm>

#include "common/encoding.h"
#include "dbf/os/folders.h"

namespace window {
namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kDepthRole = Qt::UserRole + 1;

// Shifts each directory entry right by its depth, a step of one icon width.
class IndentDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QStyleOptionViewItem shifted = option;
    shifted.rect.setLeft(option.rect.left() + Indent(option, index));
    QStyledItemDelegate::paint(painter, shifted, index);
  }
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return QStyledItemDelegate::sizeHint(option, index) + QSize(Indent(option, index), 0);
  }

 private:
  static int Indent(const QStyleOptionViewItem& option, const QModelIndex& index) {
    return index.data(kDepthRole).toInt() * option.decorationSize.width();
  }
};

std::string ToStd(const QByteArray& bytes) { return std::string(bytes.constData(), bytes.size()); }
QByteArray FromStd(const std::string& text) {
  return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

// Entries of `directory` sorted by shown name; hidden (dot) entries are left out.
// False when the directory cannot be read.
QByteArray Join(const QByteArray& directory, const QByteArray& name) {
  return directory.endsWith('/') ? directory + name : directory + '/' + name;
}

bool ListEntries(const QByteArray& directory, bool wantDirectories, std::vector<QByteArray>& names) {
  std::vector<std::string> all;
  if (dbf::os::ListFolder(ToStd(directory), all) != 0) return false;
  for (const std::string& name : all) {
    if (name.empty() || name[0] == '.') continue;
    dbf::os::FileFacts facts;  // of what a link points to
    if (dbf::os::PathFacts(ToStd(Join(directory, FromStd(name))), facts) != 0) continue;
    const bool isDirectory = facts.kind == dbf::os::FileFacts::Kind::kDirectory;
    if (isDirectory == wantDirectories) names.push_back(FromStd(name));
  }
  std::sort(names.begin(), names.end(), [](const QByteArray& a, const QByteArray& b) {
    return DisplayName(a).compare(DisplayName(b), Qt::CaseInsensitive) < 0;
  });
  return true;
}

}  // namespace

QString DisplayName(const QByteArray& nameBytes) {
  return QString::fromStdString(ModMain::DecodeFileName(ToStd(nameBytes)));
}

bool MatchesTextPattern(const QByteArray& nameBytes) {
  return nameBytes.size() > 4 && nameBytes.right(4).toLower() == ".txt";
}

// ---- DriveList -------------------------------------------------------------

DriveList::DriveList(QWidget* parent) : QComboBox(parent) {}

void DriveList::SetDrives(std::vector<MountedDrive> drives) {
  const QSignalBlocker blocker(this);
  drives_ = std::move(drives);
  clear();
  const QIcon icon = style()->standardIcon(QStyle::SP_DriveHDIcon);
  for (const MountedDrive& drive : drives_) {
    addItem(icon, DisplayName(FromStd(DriveCaption(drive))), FromStd(drive.mountPoint));
  }
}

QByteArray DriveList::CurrentMountPoint() const { return currentData().toByteArray(); }

void DriveList::ShowDriveOf(const QByteArray& path) {
  const QByteArray mountPoint = FromStd(DriveOfPath(drives_, ToStd(path)));
  const int index = findData(mountPoint);
  if (index >= 0 && index != currentIndex()) {
    const QSignalBlocker blocker(this);
    setCurrentIndex(index);
  }
}

// ---- DirectoryList -----------------------------------------------------------

DirectoryList::DirectoryList(QWidget* parent) : QListWidget(parent) {
  setItemDelegate(new IndentDelegate(this));
  setUniformItemSizes(true);  // subfolder rows as high as the rows above them
  connect(this, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
    const QByteArray target = item->data(kPathRole).toByteArray();
    if (target != path_ && !SetPath(target)) emit OpenFailed(target);
  });
}

bool DirectoryList::SetPath(const QByteArray& rawPath) {
  QByteArray path = rawPath;
  const auto root = static_cast<qsizetype>(RootLength(ToStd(path)));
  while (path.size() > root && path.endsWith('/')) path.chop(1);
  std::vector<QByteArray> subdirectories;
  if (root == 0 || !ListEntries(path, true, subdirectories)) return false;

  clear();
  const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
  const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirIcon);
  auto add = [this](const QIcon& icon, const QString& text, const QByteArray& target, int depth) {
    auto* entry = new QListWidgetItem(icon, text);
    entry->setData(kPathRole, target);
    entry->setData(kDepthRole, depth);
    addItem(entry);
  };
  // The chain from the root down to the directory, one level of indent each.
  QByteArray walked = path.left(root);
  add(openIcon, DisplayName(walked), walked, 0);
  int depth = 0;
  for (const QByteArray& part : path.mid(root).split('/')) {
    if (part.isEmpty()) continue;
    walked = Join(walked, part);
    add(openIcon, DisplayName(part), walked, ++depth);
  }
  QListWidgetItem* current = item(count() - 1);
  for (const QByteArray& name : subdirectories) add(closedIcon, DisplayName(name), Join(path, name), depth + 1);
  setCurrentItem(current);
  path_ = path;
  emit PathChanged(path_);
  return true;
}

// ---- FileList ----------------------------------------------------------------

FileList::FileList(QWidget* parent) : QListWidget(parent) {}

void FileList::keyPressEvent(QKeyEvent* event) {
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !SelectedName().isEmpty()) {
    emit RunRequested();
    return;
  }
  QListWidget::keyPressEvent(event);
}

void FileList::SetPath(const QByteArray& path) {
  clear();
  path_ = path;
  std::vector<QByteArray> files;
  ListEntries(path, false, files);  // an unreadable directory lists nothing
  for (const QByteArray& name : files) {
    if (!MatchesTextPattern(name)) continue;
    auto* entry = new QListWidgetItem(DisplayName(name));
    entry->setData(kPathRole, name);
    addItem(entry);
  }
}

QByteArray FileList::SelectedName() const {
  const QListWidgetItem* entry = currentItem();
  return entry && entry->isSelected() ? entry->data(kPathRole).toByteArray() : QByteArray();
}

bool FileList::SelectName(const QString& name) {
  for (int i = 0; i < count(); ++i) {
    if (item(i)->text() == name) {
      setCurrentRow(i);
      return true;
    }
  }
  return false;
}

}  // namespace window
