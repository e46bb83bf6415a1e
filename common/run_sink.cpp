#include "common/run_sink.h"

#include "common/encoding.h"
#include "common/messages.h"

namespace ModMain {

void ShowingSink::Message(const std::string& text) { view_.ShowMessage(text); }

bool ShowingSink::EndsEarly(const EarlyEnd& end) {
  if (!end.message.empty())
    view_.ShowMessage(end.aboutRecord && end.line > 0 ? LinePrefix(end.line) + end.message : end.message);
  return false;
}

void ShowingSink::Started(int records) {
  view_.SetPhaseCaption(kInsertCaption);
  // The bar's maximum is the number of records visited, so it ends full.
  view_.SetProgressRange(0, records);
  view_.ClearRecordList();
}

void ShowingSink::Saved(int line, const std::string& recordCp949) {
  view_.AddRecordRow(line, kSuccessStatus);
  view_.SetRecordRowData(line, Cp949ToUtf8(recordCp949));
  view_.SetProgressValue(line);
}

void ShowingSink::CodeMapAdded(const std::string& oldCode, const std::string& newCode, const std::string& name) {
  view_.AddCodeMapRow(Cp949ToUtf8(oldCode), newCode, Cp949ToUtf8(name));
}

}  // namespace ModMain
