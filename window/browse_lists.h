// The browsing column: drive list (Drive1), directory list (Dir1) and file
// list (File1). Paths are kept as the file system's bytes, so names written
// by an old Korean system (CP949) survive; they are only decoded for display.
#pragma once

#include <QByteArray>
#include <QComboBox>
#include <QListWidget>
#include <vector>

#include "window/mounts.h"

namespace window {

// Every mounted drive a clerk can browse.
class DriveList : public QComboBox {
  Q_OBJECT
 public:
  explicit DriveList(QWidget* parent = nullptr);
  void SetDrives(std::vector<MountedDrive> drives);
  const std::vector<MountedDrive>& Drives() const { return drives_; }
  QByteArray CurrentMountPoint() const;
  // Shows the drive holding `path` without raising the change signal.
  void ShowDriveOf(const QByteArray& path);

 private:
  std::vector<MountedDrive> drives_;
};

// The directory and its ancestors, then its subdirectories, each indented
// by its depth. Opening an entry (double click or Enter) changes the path; a
// single click does not.
class DirectoryList : public QListWidget {
  Q_OBJECT
 public:
  explicit DirectoryList(QWidget* parent = nullptr);
  // Lists `path`; false (and nothing changes) when it cannot be read.
  bool SetPath(const QByteArray& path);
  const QByteArray& Path() const { return path_; }

 signals:
  void PathChanged(const QByteArray& path);
  // An entry the clerk opened could not be read (removed, no permission).
  void OpenFailed(const QByteArray& path);

 private:
  QByteArray path_;
};

// The "*.txt" files of one directory, matched without regard to case.
// Enter on a file asks for the run (RunRequested).
class FileList : public QListWidget {
  Q_OBJECT
 public:
  explicit FileList(QWidget* parent = nullptr);
  void SetPath(const QByteArray& path);
  const QByteArray& Path() const { return path_; }
  // The selected file's name as stored on disk; empty when none is selected.
  QByteArray SelectedName() const;
  // Selects the entry shown as `name`; false when there is none.
  bool SelectName(const QString& name);

 signals:
  void RunRequested();

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QByteArray path_;
};

// A file name as the lists show it (UTF-8, or CP949 from an old system).
QString DisplayName(const QByteArray& nameBytes);
// True for names ending in ".txt" in any letter case.
bool MatchesTextPattern(const QByteArray& nameBytes);

}  // namespace window
