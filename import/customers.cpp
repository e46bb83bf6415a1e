// Customers and sites of both source families, and the customer lookup.
#include <exception>
#include <string>

#include "common/errors.h"
#include "common/import_run.h"
#include "common/messages.h"
#include "common/tables.h"
#include "common/text.h"
#include "import/imports.h"

namespace mod거래처 {
namespace {

using namespace ModMain;

const char* const kCustomerTable = "vdrs110";
const char* const kSiteTable = "vdrs160";

// "G거래처.txt", 210 bytes: the customer row, and the names of up to three
// sites, each stored with the ordinal of its own position.
constexpr ColumnRule kGCustomer[] = {
    Named("거래처코드", Text("D11_code", {1, 3}, "100")),
    Named("상호", Text("D11_cname", {5, 20})),
    Named("사업자번호", JoinedOrEmpty("D11_cno", "-", {89, 3}, {92, 2}, {94, 5})),
    Named("주민번호", JoinedOrEmpty("D11_jmno", "-", {100, 6}, {106, 7})),
    Named("대표자", Text("D11_name", {114, 8})),
    Named("주소", Text("D11_addr", {129, 40})),
    Named("업태", Text("D11_uptae", {170, 20})),
    Named("종목", Text("D11_jong", {191, 20})),
};
constexpr Field kGSiteNames[3] = {{26, 20}, {47, 20}, {68, 20}};
constexpr ColumnRule kGSite[] = {
    Supplied("D11_code"), Supplied("D11_cname"), Supplied("D16_code"), Supplied("D16_cname"),
};

// "레미콘거래처.txt", 738 bytes. The old code's first byte picks the series
// of the new code.
constexpr Field kOldCode{1, 6}, kSeriesFlag{1, 1};
constexpr ColumnRule kReadyMixCustomer[] = {
    Supplied("D11_code"),
    Named("상호", Text("D11_cname", {8, 30})),
    Named("대표자", Text("D11_name", {39, 10})),
    Named("사업자번호", Joined("D11_cno", "-", {50, 3}, {53, 2}, {55, 5})),
    Named("주민번호", Joined("D11_jmno", "-", {61, 6}, {67, 7})),
    Named("우편번호", Joined("D11_post", "-", {75, 3}, {78, 3})),
    Named("주소", Text("D11_addr", {86, 50})),
    Named("전화번호", Text("D11_tel", {147, 15})),
    Named("업태", Text("D11_uptae", {211, 20})),
    Named("종목", Text("D11_jong", {232, 20})),
    Named("거래시작일", DateOrZero("D11_sdate", {393, 4}, {397, 2}, {399, 2})),
    Named("둘째 상호", Text("Y11_cname", {434, 30})),
    Named("둘째 대표자", Text("Y11_name", {465, 10})),
    Named("둘째 사업자번호", Joined("Y11_cno", "-", {476, 3}, {479, 2}, {481, 5})),
    Named("둘째 주소", Text("Y11_addr", {512, 60})),
    Named("둘째 전화번호", Text("Y11_tel", {573, 15})),
    Named("둘째 업태", Text("Y11_uptae", {637, 20})),
    Named("둘째 종목", Text("Y11_jong", {658, 20})),
    Named("둘째 비고", Text("Y11_suryu", {679, 60})),
};

// "레미콘현장.txt", 259 bytes. The customer's old code finds it in the code map.
constexpr Field kSiteCustomerOldCode{1, 6};
constexpr ColumnRule kReadyMixSite[] = {
    Supplied("D11_code"),
    Supplied("D11_cname"),
    Named("현장코드", Text("D16_code", {8, 3}, "1")),
    Named("현장명", Text("D16_cname", {12, 30})),
    Named("현장 전화번호", Text("D16_tele", {54, 15})),
    Named("현장 시작일", DateOrZero("D16_sdate", {111, 4}, {115, 2}, {117, 2})),
    Named("현장 종료일", DateOrZero("D16_odate", {120, 4}, {124, 2}, {126, 2})),
    Named("단가율", Decimal("D16_priper", {170, 3}, {173, 1})),
    Named("현장 구분", Text("D16_gubun", {238, 1})),
    Named("거리", Number("D16_kiro", {240, 9})),
    Named("시간", Number("D16_time", {250, 10})),
};

void Release(RunSink& sink, std::unique_ptr<dbf::Recordset>& handle) {
  CloseReporting(sink, handle.get());
  handle.reset();
}

// The ready-mix code series: flag "1" -> 100001, 100002, ...; anything else
// -> 200001, ... Five digit places, so a series holds 99 999 codes; past that
// the import stops (a wider code would collide with the other series).
class CustomerCodeSeries {
 public:
  std::string Next(const std::string& seriesFlag) {
    const char series = seriesFlag == "1" ? '1' : '2';
    int& counter = series == '1' ? first_ : second_;
    if (counter > 99999) throw ImportFailure(CodeSeriesFullMessage(series));
    const std::string digits = std::to_string(counter++);
    return series + std::string(5 - digits.size(), '0') + digits;
  }

 private:
  int first_ = 1;
  int second_ = 1;
};

}  // namespace

// ---------------------------------------------------------------------------
// The customer lookup by trading name.

bool FindCustomerCode(Run& run, const std::string& name, std::string& code, int lineNumber) {
  std::unique_ptr<dbf::Recordset>& lookup = run.session.LookupRecordset;
  try {
    if (!lookup) lookup = std::make_unique<dbf::Recordset>();
    if (!lookup->IsOpen()) OpenTable(run.session, *lookup, kCustomerTable);
    // Continuation lines carry no name: no lookup, no message.
    if (IsBlank(name)) return false;
    // A literal match: quotes, %, _, * and ? are ordinary characters of a name.
    std::string found;
    if (lookup->FindFirstEqual("D11_cname", name, "D11_code", found)) {
      code = found;
      return true;
    }
    Release(run.sink, lookup);
    run.sink.Message(LinePrefix(lineNumber) + CustomerNotFoundMessage(name));
    return false;
  } catch (const std::exception& error) {
    Release(run.sink, lookup);
    run.sink.Message(LinePrefix(lineNumber) + error.what());
    return false;
  }
}

const std::string& UpdateHeldCustomerCode(Run& run, ImportKind kind, const std::string& name, int lineNumber) {
  std::string& held = run.session.heldCustomerCodes[kind];
  std::string code;
  if (FindCustomerCode(run, name, code, lineNumber)) {
    held = code;
  } else if (!IsBlank(name)) {
    held.clear();  // never let the row take the previous customer's code
  }
  return held;
}

// ---------------------------------------------------------------------------
// G customers and their sites.

namespace {

// One vdrs160 row per non-blank site name; a failure is reported and the
// customer import goes on with the next record (the customer row is saved).
void AddGSites(RecordContext& context, const RowValues& customer) {
  auto SiteRecordset = std::make_unique<dbf::Recordset>();
  try {
    OpenTable(context.session(), *SiteRecordset, kSiteTable);
    const std::string& code = customer.Text("D11_code");
    for (int position = 1; position <= 3; ++position) {
      const std::string siteName = CutField(context.record, kGSiteNames[position - 1]);
      if (siteName.empty()) continue;
      RowValues site(context.record, kGSite);
      site.Supply("D11_code", code);
      site.Supply("D11_cname", customer.Text("D11_cname"));
      // Characters 4 to 6 of the customer code and the ordinal of the position.
      site.Supply("D16_code", MidChars(code, 4, 3) + std::to_string(position));
      site.Supply("D16_cname", siteName);
      context.WriteRow(site, *SiteRecordset);
    }
    SiteRecordset->Close();
  } catch (const std::exception& error) {
    Release(context.run.sink, SiteRecordset);
    context.run.sink.Message(LinePrefix(context.LineNumber()) + error.what());
  }
}

}  // namespace

void ImportGCustomers(Run& run) {
  RunSetup setup;
  setup.fixedTable = kCustomerTable;
  RunImport(run, setup, [](RecordContext& context) {
    RowValues customer(context.record, kGCustomer);
    context.WriteRow(customer);
    bool hasSites = false;
    for (Field name : kGSiteNames) hasSites |= !CutField(context.record, name).empty();
    if (hasSites) AddGSites(context, customer);
  });
}

// ---------------------------------------------------------------------------
// Ready-mix customers and sites.

void ImportReadyMixCustomers(Run& run) {
  RunSetup setup;
  setup.fixedTable = kCustomerTable;
  setup.missingTableLabel = "거래처";
  setup.afterPrepare = [](Run& r) {
    r.session.customerCodeMap.Clear();
    r.sink.CodeMapCleared();
  };
  CustomerCodeSeries series;  // the counters restart with every run
  RunImport(run, setup, [&series](RecordContext& context) {
    const std::string& record = context.record;
    const std::string code = series.Next(CutField(record, kSeriesFlag));
    RowValues customer(record, kReadyMixCustomer);
    customer.Supply("D11_code", code);
    context.WriteRow(customer);
    // Only saved customers enter the map, so it matches the table.
    const std::string oldCode = CutField(record, kOldCode);
    const std::string& name = customer.Text("D11_cname");
    context.session().customerCodeMap.Add({oldCode, code, name});
    context.run.sink.CodeMapAdded(oldCode, code, name);
  });
}

void ImportReadyMixSites(Run& run) {
  RunSetup setup;
  setup.fixedTable = kSiteTable;
  setup.missingTableLabel = "현장";
  setup.includeLastLine = true;
  // The current customer starts empty with every run: a site must never be
  // booked to a customer of another file.
  struct CurrentCustomer {
    std::string code;
    std::string name;
  } current;
  RunImport(run, setup, [&current](RecordContext& context) {
    // A blank old code continues the current customer; an unknown one names
    // no customer at all rather than the previous one.
    const std::string oldCode = CutField(context.record, kSiteCustomerOldCode);
    if (!oldCode.empty()) {
      const CustomerCodeMapItem* item = context.session().customerCodeMap.Find(oldCode);
      current = item ? CurrentCustomer{item->newCode, item->name} : CurrentCustomer{};
    }
    RowValues site(context.record, kReadyMixSite);
    site.Supply("D11_code", current.code);
    site.Supply("D11_cname", current.name);
    context.WriteRow(site);
  });
}

std::span<const ColumnRule> GCustomerLayout() { return kGCustomer; }
std::span<const ColumnRule> ReadyMixCustomerLayout() { return kReadyMixCustomer; }
std::span<const ColumnRule> ReadyMixSiteLayout() { return kReadyMixSite; }

}  // namespace mod거래처
