// Delivery slips: the record layout (as data) and the parsed record.
#pragma once

#include <string>

#include "common/fields.h"

namespace mod송장 {

using ModMain::Field;

// One delivery, as cut and joined (trimmed CP949 texts).
struct DeliverySlipRecord {
  std::string dateText;      // "24/01/15": two-digit year first
  std::string number;        // cono
  std::string customerCode;  // "100" + customer number
  std::string customerName;
  std::string siteCode;      // customer number + site digit
  std::string siteName;
  std::string vehicleCode;   // "1" + vehicle number
  std::string plate;         // first part + "-" + second part
  std::string name;
  std::string time;          // kept as text ("0930")
  std::string mixCode;       // "1" + mix number
  std::string mixName;
  std::string volumeText;    // integer part + "." + tenths
  std::string text10;        // s_ger
  std::string text40;        // s_hyun
  std::string checkContent;  // chek_cont
};

// 1-based byte positions in the CP949 record.
struct DeliverySlipLayout {
  Field year{1, 2}, month{3, 2}, day{5, 2};
  Field number{7, 3};
  Field customerNumber{11, 3};
  Field customerName{15, 20};
  Field siteDigit{36, 1};
  Field siteName{38, 20};
  Field vehicleNumber{59, 3};
  Field plateFirst{63, 8}, plateSecond{72, 4};
  Field name{77, 8};
  Field time{86, 4};
  Field mixNumber{96, 2};
  Field mixName{99, 8};
  Field volumeInteger{108, 3}, volumeTenths{112, 1};
  Field text10{133, 10};
  Field text40{144, 40};
  Field checkContent{185, 6};
};
inline constexpr DeliverySlipLayout kDeliverySlipLayout{};

// Cuts a record (CP949) into a DeliverySlipRecord. Never fails: the date and
// the number are checked when the row is written.
DeliverySlipRecord CutDeliverySlipRecord(const std::string& record);

}  // namespace mod송장
