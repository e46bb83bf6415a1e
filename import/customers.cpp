#include "import/imports.h"

namespace mod거래처 {
void ImportGCustomers(ModMain::ImportShell& shell) { shell.ShowMessage("이 가져오기는 아직 준비되지 않았습니다."); shell.lastOutcome = ModMain::RunOutcome::kEndedEarly; }
void ImportReadyMixCustomers(ModMain::ImportShell& shell) { shell.ShowMessage("이 가져오기는 아직 준비되지 않았습니다."); shell.lastOutcome = ModMain::RunOutcome::kEndedEarly; }
void ImportReadyMixSites(ModMain::ImportShell& shell) { shell.ShowMessage("이 가져오기는 아직 준비되지 않았습니다."); shell.lastOutcome = ModMain::RunOutcome::kEndedEarly; }
bool FindCustomerCode(ModMain::ImportShell&, const std::string&, std::string&, int) { return false; }
void UpdateHeldCustomerCode(ModMain::ImportShell&, const std::string&, std::string&, int) {}
}  // namespace mod거래처
