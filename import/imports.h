// The eleven import routines, one module per kind of business data. Each
// takes the program-run state; none returns anything: they report through
// the shell's view and record how they ended in shell.lastOutcome. The kind
// table (import/kinds.h) says which routine a kind runs.
#pragma once

#include <string>

#include "common/import_shell.h"

namespace ModMain {
// The import kinds, as the option buttons number them.
enum Kind : int {
  kGCustomers, kGVehicles, kGSales, kGCollections, kGTaxInvoices, kDeliverySlips,
  kReadyMixCustomers, kReadyMixSites, kReadyMixDailySales, kReadyMixCollections, kReadyMixInvoices,
  kKindCount
};
}  // namespace ModMain

namespace mod거래처 {
void ImportGCustomers(ModMain::ImportShell& shell);         // vdrs110 and their sites in vdrs160
void ImportReadyMixCustomers(ModMain::ImportShell& shell);  // vdrs110, filling the code map
void ImportReadyMixSites(ModMain::ImportShell& shell);      // vdrs160, customers from the code map
// The customer lookup by trading name in vdrs110 (CP949 texts). Writes
// `code` only when a row was found; shows its own message when not found.
bool FindCustomerCode(ModMain::ImportShell& shell, const std::string& name, std::string& code,
                      int lineNumber);
// The held customer code of `kind` after the lookup of `name`: found -> its
// code; a non-blank name that yields no code (not found, table unreadable)
// -> empty, after the lookup's message; a blank name -> unchanged.
const std::string& UpdateHeldCustomerCode(ModMain::ImportShell& shell, int kind, const std::string& name,
                                          int lineNumber);
}  // namespace mod거래처

namespace mod차량 {
void ImportGVehicles(ModMain::ImportShell& shell);  // carno
}  // namespace mod차량

namespace mod판매 {
void ImportGSales(ModMain::ImportShell& shell);              // monthly k31_
void ImportReadyMixDailySales(ModMain::ImportShell& shell);  // monthly k31_
}  // namespace mod판매

namespace mod수금 {
void ImportGCollections(ModMain::ImportShell& shell);         // monthly k32_
void ImportReadyMixCollections(ModMain::ImportShell& shell);  // monthly k32_
}  // namespace mod수금

namespace mod세금 {
void ImportGTaxInvoices(ModMain::ImportShell& shell);      // monthly K57_ lines, k56_ summaries
void ImportReadyMixInvoices(ModMain::ImportShell& shell);  // the same tables
}  // namespace mod세금

namespace mod송장 {
void ImportDeliverySlips(ModMain::ImportShell& shell);  // daily so tables
}  // namespace mod송장
