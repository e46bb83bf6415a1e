// Collection imports: the record layouts of "G수금.txt" and "레미콘수금.txt".
// The routines themselves are in imports.h.
#pragma once

#include <string>

namespace mod수금 {

// One G collection record (70 bytes), its fields cut and trimmed (CP949).
struct GCollectionRecord {
  std::string year, month, day;
  std::string customerNumber;
  std::string customerName;
  std::string firstAmount, secondAmount;
};
GCollectionRecord CutGCollectionRecord(const std::string& record);

// One ready-mix collection record (225 bytes), cut and trimmed (CP949).
struct ReadyMixCollectionRecord {
  std::string year, month, day;
  std::string customerName;
  std::string firstAmount, secondAmount;
  std::string secondAmountText, secondAmountNumber;
  std::string firstDetailYear, firstDetailMonth, firstDetailDay;
  std::string secondDetailYear, secondDetailMonth, secondDetailDay;
};
ReadyMixCollectionRecord CutReadyMixCollectionRecord(const std::string& record);

}  // namespace mod수금
