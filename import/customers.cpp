// Customers and sites of both source families, and the customer lookup.
#include "import/customers.h"

#include <exception>
#include <string>

#include "common/encoding.h"
#include "common/errors.h"
#include "import/date_or_zero.h"
#include "import/imports.h"

namespace mod거래처 {

using ModMain::CutField;
using ModMain::ImportShell;
using ModMain::RecordContext;

namespace {

const char* const kCustomerTable = "vdrs110";
const char* const kSiteTable = "vdrs160";

bool IsBlank(const std::string& text) {
  return text.find_first_not_of(' ') == std::string::npos;
}

// Closes (if open) and drops a table handle after a failure.
void Release(std::unique_ptr<dbf::Recordset>& handle) {
  if (!handle) return;
  try {
    if (handle->IsOpen()) handle->Close();
  } catch (const std::exception&) {
    // The failure already being reported is the one the clerk needs.
  }
  handle.reset();
}

}  // namespace

// ---------------------------------------------------------------------------
// The customer lookup by trading name.

bool FindCustomerCode(ImportShell& shell, const std::string& name, std::string& code,
                      int lineNumber) {
  try {
    if (!shell.LookupRecordset) shell.LookupRecordset = std::make_unique<dbf::Recordset>();
    if (!shell.LookupRecordset->IsOpen()) {
      ModMain::OpenTable(shell, *shell.LookupRecordset, kCustomerTable);
    }
    shell.LookupRecordset->MoveFirst();
    // Continuation lines carry no name: no lookup, no message.
    if (IsBlank(name)) return false;

    // A literal match: quotes, %, _, * and ? are ordinary characters of a name.
    std::string found;
    if (shell.LookupRecordset->FindFirstEqual("D11_cname", name, "D11_code", found)) {
      code = found;
      return true;
    }
    Release(shell.LookupRecordset);
    shell.ShowMessage(ModMain::LinePrefix(lineNumber) + "거래처 \"" + ModMain::Cp949ToUtf8(name) +
                      "\"을(를) 거래처 테이블(vdrs110)에서 찾을 수 없습니다.");
    return false;
  } catch (const std::exception& error) {
    Release(shell.LookupRecordset);
    shell.ShowMessage(ModMain::LinePrefix(lineNumber) + error.what());
    return false;
  }
}

void UpdateHeldCustomerCode(ImportShell& shell, const std::string& name, std::string& heldCode,
                            int lineNumber) {
  std::string code;
  if (FindCustomerCode(shell, name, code, lineNumber)) {
    heldCode = code;
  } else if (!IsBlank(name)) {
    // Never let the row take the previous customer's code.
    heldCode.clear();
  }
}

// ---------------------------------------------------------------------------
// Shared pieces of the record layouts.

std::string JoinedParts(const std::string& record, const Field* parts, int count) {
  std::string joined;
  for (int i = 0; i < count; ++i) {
    if (i > 0) joined += '-';
    joined += CutField(record, parts[i]);
  }
  return joined;
}

dbf::Value DateOrZero(const std::string& record, Field year, Field month, Field day) {
  return ModMain::DateValueOrZero(CutField(record, year), CutField(record, month),
                                  CutField(record, day));
}

// ---------------------------------------------------------------------------
// G customers and their sites.

GCustomerRecord CutGCustomerRecord(const std::string& record) {
  namespace L = GCustomerLayout;
  GCustomerRecord customer;
  customer.code = "100" + CutField(record, L::kNumber);
  customer.name = CutField(record, L::kName);
  for (int i = 0; i < 3; ++i) customer.siteNames[i] = CutField(record, L::kSiteNames[i]);
  // A blank number stays empty; a filled one is split at fixed positions.
  if (!CutField(record, L::kBusinessNumber).empty()) {
    customer.businessNumber = JoinedParts(record, L::kBusinessNumberParts, 3);
  }
  if (!CutField(record, L::kResidentNumber).empty()) {
    customer.residentNumber = JoinedParts(record, L::kResidentNumberParts, 2);
  }
  customer.representative = CutField(record, L::kRepresentative);
  customer.address = CutField(record, L::kAddress);
  customer.businessType = CutField(record, L::kBusinessType);
  customer.businessItem = CutField(record, L::kBusinessItem);
  return customer;
}

std::string GSiteCode(const std::string& customerCode, int ordinal) {
  return ModMain::MidChars(customerCode, 4, 3) + std::to_string(ordinal);
}

void AddCustomerSites(RecordContext& context, const GCustomerRecord& customer) {
  ImportShell& shell = context.shell;
  try {
    shell.SiteRecordset = std::make_unique<dbf::Recordset>();
    ModMain::OpenTable(shell, *shell.SiteRecordset, kSiteTable);
    for (int position = 1; position <= 3; ++position) {
      const std::string& siteName = customer.siteNames[position - 1];
      if (siteName.empty()) continue;
      dbf::Recordset& sites = *shell.SiteRecordset;
      context.AddRow(sites);
      sites.SetValue("D11_code", customer.code);
      sites.SetValue("D11_cname", customer.name);
      sites.SetValue("D16_code", GSiteCode(customer.code, position));
      sites.SetValue("D16_cname", siteName);
      sites.Update();
    }
    shell.SiteRecordset->Close();
    shell.SiteRecordset.reset();
  } catch (const std::exception& error) {
    // The customer row is saved; its sites are reported and the run goes on.
    Release(shell.SiteRecordset);
    shell.ShowMessage(ModMain::LinePrefix(context.LineNumber()) + error.what());
  }
}

void ImportGCustomers(ImportShell& shell) {
  ModMain::RunShape shape;
  shape.fixedTable = kCustomerTable;
  shape.freeRecordLines = true;
  ModMain::RunImport(shell, shape, [](RecordContext& context) {
    const GCustomerRecord customer = CutGCustomerRecord(context.record);
    dbf::Recordset& customers = context.recordset;
    context.AddRow();
    customers.SetValue("D11_code", customer.code);
    customers.SetValue("D11_cname", customer.name);
    customers.SetValue("D11_cno", customer.businessNumber);
    customers.SetValue("D11_jmno", customer.residentNumber);
    customers.SetValue("D11_name", customer.representative);
    customers.SetValue("D11_addr", customer.address);
    customers.SetValue("D11_uptae", customer.businessType);
    customers.SetValue("D11_jong", customer.businessItem);
    customers.Update();

    bool hasSites = false;
    for (const std::string& siteName : customer.siteNames) hasSites |= !siteName.empty();
    if (hasSites) AddCustomerSites(context, customer);
  });
}

// ---------------------------------------------------------------------------
// Ready-mix customers.

std::string CustomerCodeSeries::Next(const std::string& seriesFlag) {
  const bool first = seriesFlag == "1";
  int& counter = first ? firstSeries_ : secondSeries_;
  if (counter > kLastCodeInSeries) {
    throw ModMain::ImportFailure(std::string("거래처 코드가 ") + (first ? "1" : "2") +
                                 "00001부터 " + (first ? "1" : "2") +
                                 "99999까지 모두 쓰여 더 만들 수 없습니다.");
  }
  std::string digits = std::to_string(counter++);
  return (first ? "1" : "2") + std::string(5 - digits.size(), '0') + digits;
}

void ImportReadyMixCustomers(ImportShell& shell) {
  namespace L = ReadyMixCustomerLayout;
  ModMain::RunShape shape;
  shape.fixedTable = kCustomerTable;
  shape.missingTableLabel = "거래처";
  shape.freeRecordLines = true;
  shape.afterPrepare = [](ImportShell& s) {
    s.customerCodeMap.Clear();
    s.view.ClearCodeMap();
  };
  // The counters restart with every run.
  CustomerCodeSeries series;
  ModMain::RunImport(shell, shape, [&series](RecordContext& context) {
    const std::string& record = context.record;
    const std::string code = series.Next(CutField(record, L::kSeriesFlag));
    const std::string name = CutField(record, L::kName);

    dbf::Recordset& customers = context.recordset;
    context.AddRow();
    customers.SetValue("D11_code", code);
    customers.SetValue("D11_cname", name);
    customers.SetValue("D11_name", CutField(record, L::kRepresentative));
    customers.SetValue("D11_cno", JoinedParts(record, L::kBusinessNumberParts, 3));
    customers.SetValue("D11_jmno", JoinedParts(record, L::kResidentNumberParts, 2));
    customers.SetValue("D11_post", JoinedParts(record, L::kPostalCodeParts, 2));
    customers.SetValue("D11_addr", CutField(record, L::kAddress));
    customers.SetValue("D11_tel", CutField(record, L::kTelephone));
    customers.SetValue("D11_uptae", CutField(record, L::kBusinessType));
    customers.SetValue("D11_jong", CutField(record, L::kBusinessItem));
    customers.SetValue("D11_sdate",
                       DateOrZero(record, L::kStartYear, L::kStartMonth, L::kStartDay));
    customers.SetValue("Y11_cname", CutField(record, L::kSecondName));
    customers.SetValue("Y11_name", CutField(record, L::kSecondRepresentative));
    customers.SetValue("Y11_cno", JoinedParts(record, L::kSecondBusinessNumberParts, 3));
    customers.SetValue("Y11_addr", CutField(record, L::kSecondAddress));
    customers.SetValue("Y11_tel", CutField(record, L::kSecondTelephone));
    customers.SetValue("Y11_uptae", CutField(record, L::kSecondBusinessType));
    customers.SetValue("Y11_jong", CutField(record, L::kSecondBusinessItem));
    customers.SetValue("Y11_suryu", CutField(record, L::kSecondBlockText));
    customers.Update();

    // Only saved customers enter the map, so it matches the table.
    const std::string oldCode = CutField(record, L::kOldCode);
    context.shell.customerCodeMap.Add({oldCode, code, name});
    context.shell.view.AddCodeMapRow(ModMain::Cp949ToUtf8(oldCode), code,
                                     ModMain::Cp949ToUtf8(name));
  });
}

// ---------------------------------------------------------------------------
// Ready-mix sites.

void ImportReadyMixSites(ImportShell& shell) {
  namespace L = ReadyMixSiteLayout;
  ModMain::RunShape shape;
  shape.fixedTable = kSiteTable;
  shape.missingTableLabel = "현장";
  shape.useSiteRecordset = true;
  shape.includeLastLine = true;

  // The current customer starts empty with every run: a site must never be
  // booked to a customer of another file.
  struct CurrentCustomer {
    std::string code;
    std::string name;
  } current;

  ModMain::RunImport(shell, shape, [&current](RecordContext& context) {
    const std::string& record = context.record;
    // A blank old code continues the current customer; an unknown one names
    // no customer at all rather than the previous one.
    const std::string oldCode = CutField(record, L::kCustomerOldCode);
    if (!oldCode.empty()) {
      const ModMain::CustomerCodeMapItem* item = context.shell.customerCodeMap.Find(oldCode);
      current = item ? CurrentCustomer{item->newCode, item->name} : CurrentCustomer{};
    }

    const std::string priceRateText =
        CutField(record, L::kPriceRateWhole) + "." + CutField(record, L::kPriceRateTenths);

    dbf::Recordset& sites = context.recordset;
    context.AddRow();
    sites.SetValue("D11_code", current.code);
    sites.SetValue("D11_cname", current.name);
    sites.SetValue("D16_code", "1" + CutField(record, L::kSiteNumber));
    sites.SetValue("D16_cname", CutField(record, L::kSiteName));
    sites.SetValue("D16_tele", CutField(record, L::kTelephone));
    sites.SetValue("D16_sdate", DateOrZero(record, L::kStartYear, L::kStartMonth, L::kStartDay));
    sites.SetValue("D16_odate", DateOrZero(record, L::kEndYear, L::kEndMonth, L::kEndDay));
    sites.SetValue("D16_priper", ModMain::LeadingNumber(priceRateText));
    sites.SetValue("D16_gubun", CutField(record, L::kClassCode));
    sites.SetValue("D16_kiro", ModMain::LeadingNumber(CutField(record, L::kDistance)));
    sites.SetValue("D16_time", ModMain::LeadingNumber(CutField(record, L::kTime)));
    sites.Update();
  });
}

}  // namespace mod거래처
