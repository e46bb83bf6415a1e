// Sales imports: the record layouts of "G판매.txt" and "레미콘일일판매.txt" and
// the values derived from them. The routines themselves are in imports.h.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace mod판매 {

// One G sales record (145 bytes), its fields cut and trimmed (CP949).
struct GSalesRecord {
  std::string year, month, day;
  std::string customerNumber, itemNumber;
  std::string customerName, itemName;
  std::string quantityWhole, quantityDecimals;
  std::string unitPrice, amount, vat;
  std::string salesKind;
};
GSalesRecord CutGSalesRecord(const std::string& record);

// One ready-mix daily sales record (371 bytes), cut and trimmed (CP949).
struct ReadyMixSalesRecord {
  std::string serial;
  std::string year, month, day;
  std::string siteNumber;
  std::string status, category;
  std::string customerName, siteName, itemName;
  std::string quantityWhole, quantityDecimals;
  std::string unitPrice, amount, vat;
  std::string secondYear, secondMonth, secondDay;
};
ReadyMixSalesRecord CutReadyMixSalesRecord(const std::string& record);

// prefix + field, or the empty text for a blank field (G customer and item codes).
std::string CodeOrEmpty(const std::string& prefix, const std::string& field);

// Whole part "." decimals, read by the leading-number rule (blank gives 0).
double Quantity(const std::string& whole, const std::string& decimals);

// D31_chgb from the ready-mix category text: empty "1", "상품" "2", "임가공" "3",
// "자가소비" "4", "기증" "5" (first rule wins); anything else: no value, the
// column keeps its blank.
std::optional<std::string> SalesKindCode(const std::string& categoryCp949);

// balhaeng: 2 for a sale not yet invoiced this month ("금월미판"), else 1.
std::int16_t IssueFlag(const std::string& statusCp949);

// Rows of last month's unsold sales ("전월미판") carry the second date as bal_date.
bool IsPreviousMonthUnsold(const std::string& statusCp949);

}  // namespace mod판매
