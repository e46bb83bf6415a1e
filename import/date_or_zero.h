// A date column value from year, month and day fields: the date text, or the
// zero date when the month or the day reads as 0 (the second date of a
// ready-mix sale, the detail dates of a ready-mix collection).
#pragma once

#include <string>

#include "common/fields.h"
#include "dbf/dbf.h"

namespace ModMain {

inline dbf::Value DateValueOrZero(const std::string& year, const std::string& month,
                                  const std::string& day) {
  if (!HasMonthAndDay(month, day)) return dbf::kZeroDate;
  return DateText(year, month, day);
}

}  // namespace ModMain
