// The import kinds, numbered as the window's option buttons are (0 to 10).
// The kind table (import/kinds.h) says what each kind is.
#pragma once

#include <cstdint>

namespace ModMain {

// Its underlying type is the window's 16-bit kind; a journal written by
// another version may name a number outside the table, which is kept.
enum class ImportKind : std::int16_t {
  kGCustomers, kGVehicles, kGSales, kGCollections, kGTaxInvoices, kDeliverySlips,
  kReadyMixCustomers, kReadyMixSites, kReadyMixDailySales, kReadyMixCollections, kReadyMixInvoices,
};
inline constexpr int kKindCount = 11;
// The kind of a run whose start line the journal lost.
inline constexpr ImportKind kUnknownKind = static_cast<ImportKind>(-1);

constexpr int KindNumber(ImportKind kind) { return static_cast<int>(kind); }
constexpr bool IsKnownKind(ImportKind kind) { return KindNumber(kind) >= 0 && KindNumber(kind) < kKindCount; }

}  // namespace ModMain
