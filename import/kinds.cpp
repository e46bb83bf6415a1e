#include "import/kinds.h"

#include <stdexcept>

#include "dbf/ascii.h"

namespace ModMain {
namespace {

using enum ImportKind;

constexpr KindInfo kKinds[] = {
    {kGCustomers, "골재", "거래처", NameTest::kEquals, "G거래처.txt", "G거래처.txt", 210,
     &mod거래처::ImportGCustomers, &mod거래처::GCustomerLayout},
    {kGVehicles, "골재", "차량", NameTest::kEquals, "G차량.txt", "G차량.txt", 41, &mod차량::ImportGVehicles,
     &mod차량::GVehicleLayout},
    {kGSales, "골재", "판매", NameTest::kEquals, "G판매.txt", "G판매.txt", 145, &mod판매::ImportGSales,
     &mod판매::GSaleLayout},
    {kGCollections, "골재", "수금", NameTest::kEquals, "G수금.txt", "G수금.txt", 70, &mod수금::ImportGCollections,
     &mod수금::GCollectionLayout},
    {kGTaxInvoices, "골재", "세금", NameTest::kPrefix, "GSS", "GSS로 시작하는 이름 (대소문자 무관, 예: GSS0403.txt)", 616,
     &mod세금::ImportGTaxInvoices, &mod세금::GInvoiceLayout},
    {kDeliverySlips, "골재", "송장", NameTest::kPrefix, "S0",
     "S0(숫자 0)으로 시작하는 이름 (대소문자 무관, 예: S0040315.txt)", 191, &mod송장::ImportDeliverySlips,
     &mod송장::SlipLayout},
    {kReadyMixCustomers, "레미콘", "거래처", NameTest::kEquals, "레미콘거래처.txt", "레미콘거래처.txt", 738,
     &mod거래처::ImportReadyMixCustomers, &mod거래처::ReadyMixCustomerLayout},
    {kReadyMixSites, "레미콘", "현장", NameTest::kEquals, "레미콘현장.txt", "레미콘현장.txt", 259,
     &mod거래처::ImportReadyMixSites, &mod거래처::ReadyMixSiteLayout},
    {kReadyMixDailySales, "레미콘", "일일판매", NameTest::kEquals, "레미콘일일판매.txt", "레미콘일일판매.txt", 371,
     &mod판매::ImportReadyMixDailySales, &mod판매::ReadyMixSaleLayout},
    {kReadyMixCollections, "레미콘", "수금", NameTest::kEquals, "레미콘수금.txt", "레미콘수금.txt", 225,
     &mod수금::ImportReadyMixCollections, &mod수금::ReadyMixCollectionLayout},
    {kReadyMixInvoices, "레미콘", "계산서", NameTest::kContains, "계산서",
     "계산서가 들어간 이름 (예: 레미콘계산서.txt)", 616, &mod세금::ImportReadyMixInvoices,
     &mod세금::ReadyMixInvoiceLayout},
};
// Each entry sits at its own number, so KindInfoOf is an index.
constexpr bool EachKindAtItsNumber() {
  if (std::size(kKinds) != kKindCount) return false;
  for (int i = 0; i < kKindCount; ++i)
    if (KindNumber(kKinds[i].kind) != i) return false;
  return true;
}
static_assert(EachKindAtItsNumber(), "the kind table lists the kinds in the order of their numbers");

// Length in bytes of the UTF-8 character starting with `lead`.
std::size_t Utf8CharLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xF0) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC0) return 2;
  return 1;
}

// The first `count` characters (not bytes), with ASCII letters upper-cased.
std::string UpperPrefix(std::string_view name, std::size_t count) {
  std::string prefix;
  std::size_t position = 0;
  for (std::size_t taken = 0; taken < count && position < name.size(); ++taken) {
    const std::size_t length = Utf8CharLength(static_cast<unsigned char>(name[position]));
    prefix += dbf::ascii::Upper(name.substr(position, length));
    position += length;
  }
  return prefix;
}

std::size_t CharCount(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t position = 0; position < text.size(); ++count)
    position += Utf8CharLength(static_cast<unsigned char>(text[position]));
  return count;
}

}  // namespace

std::span<const KindInfo> Kinds() { return kKinds; }

const KindInfo& KindInfoOf(ImportKind kind) {
  if (!IsKnownKind(kind))
    throw std::out_of_range("가져오기 종류는 0에서 " + std::to_string(kKindCount - 1) + " 사이입니다: " +
                            std::to_string(KindNumber(kind)));
  return kKinds[KindNumber(kind)];
}

std::string KindLabel(ImportKind kind) {
  if (!IsKnownKind(kind)) return "?";
  return std::string(KindInfoOf(kind).tab) + " · " + KindInfoOf(kind).caption;
}

bool FileNameFits(ImportKind kind, std::string_view fileNameUtf8) {
  const KindInfo& info = KindInfoOf(kind);
  const std::string_view pattern = info.pattern;
  switch (info.test) {
    case NameTest::kEquals: return fileNameUtf8 == pattern;
    case NameTest::kPrefix: return UpperPrefix(fileNameUtf8, CharCount(pattern)) == pattern;
    case NameTest::kContains: return fileNameUtf8.find(pattern) != std::string_view::npos;
  }
  return false;
}

}  // namespace ModMain
