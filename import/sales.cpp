#include "import/imports.h"

namespace mod판매 {
void ImportGSales(ModMain::ImportShell& shell) { shell.ShowMessage("이 가져오기는 아직 준비되지 않았습니다."); shell.lastOutcome = ModMain::RunOutcome::kEndedEarly; }
void ImportReadyMixDailySales(ModMain::ImportShell& shell) { shell.ShowMessage("이 가져오기는 아직 준비되지 않았습니다."); shell.lastOutcome = ModMain::RunOutcome::kEndedEarly; }
}  // namespace mod판매
