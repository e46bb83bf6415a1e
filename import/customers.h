// Customers and construction sites of both source families, and the customer
// lookup by trading name (module mod거래처). Record layouts are data: 1-based
// byte positions and lengths in the CP949 record.
#pragma once

#include <string>

#include "common/fields.h"
#include "common/import_run.h"

namespace mod거래처 {

using ModMain::Field;

// G customer record ("G거래처.txt").
namespace GCustomerLayout {
inline constexpr Field kNumber{1, 3};
inline constexpr Field kName{5, 20};
inline constexpr Field kSiteNames[3] = {{26, 20}, {47, 20}, {68, 20}};
inline constexpr Field kBusinessNumber{89, 10};
inline constexpr Field kBusinessNumberParts[3] = {{89, 3}, {92, 2}, {94, 5}};
inline constexpr Field kResidentNumber{100, 13};
inline constexpr Field kResidentNumberParts[2] = {{100, 6}, {106, 7}};
inline constexpr Field kRepresentative{114, 8};
inline constexpr Field kAddress{129, 40};
inline constexpr Field kBusinessType{170, 20};
inline constexpr Field kBusinessItem{191, 20};
}  // namespace GCustomerLayout

// Ready-mix customer record ("레미콘거래처.txt").
namespace ReadyMixCustomerLayout {
inline constexpr Field kOldCode{1, 6};
inline constexpr Field kSeriesFlag{1, 1};
inline constexpr Field kName{8, 30};
inline constexpr Field kRepresentative{39, 10};
inline constexpr Field kBusinessNumberParts[3] = {{50, 3}, {53, 2}, {55, 5}};
inline constexpr Field kResidentNumberParts[2] = {{61, 6}, {67, 7}};
inline constexpr Field kPostalCodeParts[2] = {{75, 3}, {78, 3}};
inline constexpr Field kAddress{86, 50};
inline constexpr Field kTelephone{147, 15};
inline constexpr Field kBusinessType{211, 20};
inline constexpr Field kBusinessItem{232, 20};
inline constexpr Field kStartYear{393, 4};
inline constexpr Field kStartMonth{397, 2};
inline constexpr Field kStartDay{399, 2};
inline constexpr Field kSecondName{434, 30};
inline constexpr Field kSecondRepresentative{465, 10};
inline constexpr Field kSecondBusinessNumberParts[3] = {{476, 3}, {479, 2}, {481, 5}};
inline constexpr Field kSecondAddress{512, 60};
inline constexpr Field kSecondTelephone{573, 15};
inline constexpr Field kSecondBusinessType{637, 20};
inline constexpr Field kSecondBusinessItem{658, 20};
inline constexpr Field kSecondBlockText{679, 60};
}  // namespace ReadyMixCustomerLayout

// Ready-mix site record ("레미콘현장.txt").
namespace ReadyMixSiteLayout {
inline constexpr Field kCustomerOldCode{1, 6};
inline constexpr Field kSiteNumber{8, 3};
inline constexpr Field kSiteName{12, 30};
inline constexpr Field kTelephone{54, 15};
inline constexpr Field kStartYear{111, 4};
inline constexpr Field kStartMonth{115, 2};
inline constexpr Field kStartDay{117, 2};
inline constexpr Field kEndYear{120, 4};
inline constexpr Field kEndMonth{124, 2};
inline constexpr Field kEndDay{126, 2};
inline constexpr Field kPriceRateWhole{170, 3};
inline constexpr Field kPriceRateTenths{173, 1};
inline constexpr Field kClassCode{238, 1};
inline constexpr Field kDistance{240, 9};
inline constexpr Field kTime{250, 10};
}  // namespace ReadyMixSiteLayout

// The fields of one G customer record as the customer and site rows use them.
struct GCustomerRecord {
  std::string code;  // "100" + customer number
  std::string name;
  std::string siteNames[3];
  std::string businessNumber;  // 3-2-5 form, or empty
  std::string residentNumber;  // 6-7 form, or empty
  std::string representative;
  std::string address;
  std::string businessType;
  std::string businessItem;
};
GCustomerRecord CutGCustomerRecord(const std::string& record);

// Joins the trimmed parts with "-" (always, also when they are blank).
std::string JoinedParts(const std::string& record, const Field* parts, int count);

// The ready-mix code series: flag "1" -> 100001, 100002, ...; anything else
// -> 200001, ... Five digit places, so a series holds 99999 codes; the
// counter past that throws ImportFailure (a wider code would no longer be a
// six-digit customer code and would collide with the other series).
class CustomerCodeSeries {
 public:
  std::string Next(const std::string& seriesFlag);

 private:
  int firstSeries_ = 1;
  int secondSeries_ = 1;
};
inline constexpr int kLastCodeInSeries = 99999;

// Site code of a G customer's site: characters 4 to 6 of the customer code
// followed by the ordinal of the site's position (1 to 3).
std::string GSiteCode(const std::string& customerCode, int ordinal);

// Appends one vdrs160 row per non-blank site name of the record, each with
// the ordinal of its own position. Reports its own failure and returns, so
// the customer import goes on with the next record.
void AddCustomerSites(ModMain::RecordContext& context, const GCustomerRecord& customer);

// A date of a ready-mix record: the date text, or the zero date when month or
// day reads as 0. The year is not tested; an impossible date is refused by
// the table layer when the row is set.
dbf::Value DateOrZero(const std::string& record, Field year, Field month, Field day);

}  // namespace mod거래처
