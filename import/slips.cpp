#include "import/imports.h"

namespace mod송장 {
void ImportDeliverySlips(ModMain::ImportShell& shell) { shell.ShowMessage("이 가져오기는 아직 준비되지 않았습니다."); shell.lastOutcome = ModMain::RunOutcome::kEndedEarly; }
}  // namespace mod송장
