#include "import/imports.h"

namespace mod세금 {
void ImportGTaxInvoices(ModMain::ImportShell& shell) { shell.ShowMessage("이 가져오기는 아직 준비되지 않았습니다."); shell.lastOutcome = ModMain::RunOutcome::kEndedEarly; }
void ImportReadyMixInvoices(ModMain::ImportShell& shell) { shell.ShowMessage("이 가져오기는 아직 준비되지 않았습니다."); shell.lastOutcome = ModMain::RunOutcome::kEndedEarly; }
}  // namespace mod세금
