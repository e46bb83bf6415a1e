// The eleven import routines, one module per kind of business data. Each
// runs over one loaded file in its session and reports to the run's sink;
// how it ended is in run.report. The kind table (import/kinds.h) says which
// routine a kind runs. Each module also gives the layout its records are
// cut by first (the preview's fields).
#pragma once

#include <span>
#include <string>

#include "common/import_run.h"

namespace mod거래처 {
std::span<const ModMain::ColumnRule> GCustomerLayout();
std::span<const ModMain::ColumnRule> ReadyMixCustomerLayout();
std::span<const ModMain::ColumnRule> ReadyMixSiteLayout();
void ImportGCustomers(ModMain::Run& run);         // vdrs110 and their sites in vdrs160
void ImportReadyMixCustomers(ModMain::Run& run);  // vdrs110, filling the code map
void ImportReadyMixSites(ModMain::Run& run);      // vdrs160, customers from the code map
// The customer lookup by trading name in vdrs110 (CP949 texts). Writes
// `code` only when a row was found; shows its own message when not found.
bool FindCustomerCode(ModMain::Run& run, const std::string& name, std::string& code, int lineNumber);
// The held customer code of `kind` after the lookup of `name`: found -> its
// code; a non-blank name that yields no code (not found, table unreadable)
// -> empty, after the lookup's message; a blank name -> unchanged.
const std::string& UpdateHeldCustomerCode(ModMain::Run& run, ModMain::ImportKind kind, const std::string& name,
                                          int lineNumber);
}  // namespace mod거래처

namespace mod차량 {
std::span<const ModMain::ColumnRule> GVehicleLayout();
void ImportGVehicles(ModMain::Run& run);  // carno
}  // namespace mod차량

namespace mod판매 {
std::span<const ModMain::ColumnRule> GSaleLayout();
std::span<const ModMain::ColumnRule> ReadyMixSaleLayout();
void ImportGSales(ModMain::Run& run);              // monthly k31_
void ImportReadyMixDailySales(ModMain::Run& run);  // monthly k31_
}  // namespace mod판매

namespace mod수금 {
std::span<const ModMain::ColumnRule> GCollectionLayout();
std::span<const ModMain::ColumnRule> ReadyMixCollectionLayout();
void ImportGCollections(ModMain::Run& run);         // monthly k32_
void ImportReadyMixCollections(ModMain::Run& run);  // monthly k32_
}  // namespace mod수금

namespace mod세금 {
std::span<const ModMain::ColumnRule> GInvoiceLayout();
std::span<const ModMain::ColumnRule> ReadyMixInvoiceLayout();
void ImportGTaxInvoices(ModMain::Run& run);      // monthly K57_ lines, k56_ summaries
void ImportReadyMixInvoices(ModMain::Run& run);  // the same tables
}  // namespace mod세금

namespace mod송장 {
std::span<const ModMain::ColumnRule> SlipLayout();
void ImportDeliverySlips(ModMain::Run& run);  // daily so tables
}  // namespace mod송장
