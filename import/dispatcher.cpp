#include "import/dispatcher.h"

#include <exception>

#include "common/encoding.h"
#include "common/loader.h"
#include "common/messages.h"
#include "import/kinds.h"

namespace ModMain {

DispatchResult Dispatch(ImportShell& shell, int kind, const std::string& directory,
                        const std::string& fileNameBytes) {
  const KindInfo& info = Kind(kind);
  if (!FileNameFits(kind, DecodeFileName(fileNameBytes))) {
    shell.ShowMessage(kWrongFileMessage);
    return DispatchResult::kRefused;
  }
  try {
    LoadExportFile(shell, directory + "/" + fileNameBytes, LimitsForRecordLength(info.recordLength));
  } catch (const std::exception& error) {
    shell.ShowMessage(error.what());
    return DispatchResult::kLoadFailed;
  }
  info.routine(shell);
  return DispatchResult::kRan;
}

}  // namespace ModMain
