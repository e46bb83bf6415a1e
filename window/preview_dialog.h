// The preview a run shows after its check and before its first row: the
// file, its kind, the table folder, the first records cut into their named
// fields, the rows each table will receive and the messages the run will
// show. The clerk goes on (the default, Enter) or stops there with nothing
// written, and may turn the preview off for the session.
#pragma once

#include <QString>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "import/preview.h"

class QWidget;

namespace window {

struct RunPreview {
  QString file;            // the export file's path
  QString kind;            // "골재 · 차량"
  QString tableDirectory;
  std::vector<ModMain::PreviewRecord> records;  // the first records
  std::map<std::string, int> rows;              // table (CP949) -> rows it will receive
  std::vector<std::string> messages;            // UTF-8, as the run will show them
};

struct PreviewAnswer {
  bool importing = false;
  bool askNoMore = false;  // "다음부터 묻지 않기": no preview for the rest of the session
};

// Shows the preview and returns the clerk's answer.
using PreviewFunction = std::function<PreviewAnswer(const RunPreview& preview)>;

inline constexpr int kPreviewRecords = 3;

// The modal preview dialog.
PreviewAnswer ShowPreview(QWidget* parent, const RunPreview& preview);

// "carno 32766행, vdrs160 2행" as the preview lists them, one table a line.
QStringList PreviewRowLines(const std::map<std::string, int>& rows);

}  // namespace window
