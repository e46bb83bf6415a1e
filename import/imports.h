// The eleven import routines, one module per kind of business data. Each
// takes the program-run state; none returns anything: they report through
// the shell's view and record how they ended in shell.lastOutcome.
#pragma once

#include <string>

#include "common/import_shell.h"

namespace mod거래처 {
// Kind 0: G customers (vdrs110) and their sites (vdrs160).
void ImportGCustomers(ModMain::ImportShell& shell);
// Kind 6: ready-mix customers (vdrs110), filling the customer code map.
void ImportReadyMixCustomers(ModMain::ImportShell& shell);
// Kind 7: ready-mix sites (vdrs160), customers found in the code map.
void ImportReadyMixSites(ModMain::ImportShell& shell);
// The customer lookup by trading name in vdrs110 (CP949 texts). Writes
// `code` only when a row was found; shows its own message when not found.
bool FindCustomerCode(ModMain::ImportShell& shell, const std::string& name, std::string& code,
                      int lineNumber);
// For the ready-mix sales, collections and invoices: looks `name` up and
// updates the held customer code: found -> its code; a non-blank name that
// yields no code (not found, table unreadable) -> empty, after the lookup's
// message; a blank name -> unchanged.
void UpdateHeldCustomerCode(ModMain::ImportShell& shell, const std::string& name,
                            std::string& heldCode, int lineNumber);
}  // namespace mod거래처

namespace mod차량 {
// Kind 1: G vehicles (carno).
void ImportGVehicles(ModMain::ImportShell& shell);
}  // namespace mod차량

namespace mod판매 {
// Kind 2: G sales into monthly k31_ tables.
void ImportGSales(ModMain::ImportShell& shell);
// Kind 8: ready-mix daily sales into monthly k31_ tables.
void ImportReadyMixDailySales(ModMain::ImportShell& shell);
}  // namespace mod판매

namespace mod수금 {
// Kind 3: G collections into monthly k32_ tables.
void ImportGCollections(ModMain::ImportShell& shell);
// Kind 9: ready-mix collections into monthly k32_ tables.
void ImportReadyMixCollections(ModMain::ImportShell& shell);
}  // namespace mod수금

namespace mod세금 {
// Kind 4: G tax invoices into monthly K57_ (lines) and k56_ (summaries).
void ImportGTaxInvoices(ModMain::ImportShell& shell);
// Kind 10: ready-mix invoices into the same tables.
void ImportReadyMixInvoices(ModMain::ImportShell& shell);
}  // namespace mod세금

namespace mod송장 {
// Kind 5: delivery slips into daily so tables.
void ImportDeliverySlips(ModMain::ImportShell& shell);
}  // namespace mod송장
