#include "import/dispatcher.h"

#include <exception>

#include "common/encoding.h"
#include "common/journal_runs.h"
#include "common/loader.h"
#include "common/messages.h"
#include "import/kinds.h"

namespace ModMain {

std::string WrongFileMessage(int kind) {
  const KindInfo& info = Kind(kind);
  return std::string(kWrongFileMessage) + "\r\n" + KindLabel(kind) + " 파일: " + info.nameRule;
}

DispatchResult LoadStep(ImportShell& shell, int kind, const std::string& directory,
                        const std::string& fileNameBytes) {
  const KindInfo& info = Kind(kind);
  if (fileNameBytes.empty()) {
    shell.ShowMessage(NoFileChosenMessage(KindLabel(kind), info.nameRule));
    return DispatchResult::kRefused;
  }
  if (!FileNameFits(kind, DecodeFileName(fileNameBytes))) {
    shell.ShowMessage(WrongFileMessage(kind));
    return DispatchResult::kRefused;
  }
  try {
    LoadExportFile(shell, directory + "/" + fileNameBytes, LimitsForRecordLength(info.recordLength));
    shell.loadedFile.kind = kind;
    shell.loadedFile.path = CanonicalDirectory(directory) + "/" + fileNameBytes;  // the journal's name for it
  } catch (const std::exception& error) {
    shell.ShowMessage(error.what());
    return DispatchResult::kLoadFailed;
  }
  return DispatchResult::kRan;
}

void RunStep(ImportShell& shell, int kind) { Kind(kind).routine(shell); }

DispatchResult Dispatch(ImportShell& shell, int kind, const std::string& directory,
                        const std::string& fileNameBytes) {
  const DispatchResult loaded = LoadStep(shell, kind, directory, fileNameBytes);
  if (loaded == DispatchResult::kRan) RunStep(shell, kind);
  return loaded;
}

}  // namespace ModMain
