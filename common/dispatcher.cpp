// The run button: kind table, file-name tests, load, one import routine.
#include "common/dispatcher.h"

#include <exception>
#include <stdexcept>

#include "common/loader.h"
#include "import/imports.h"

namespace ModMain {
namespace {

const ImportKindInfo kKinds[kKindCount] = {
    {0, "골재", "거래처", NameTest::kEquals, "G거래처.txt", &mod거래처::ImportGCustomers},
    {1, "골재", "차량", NameTest::kEquals, "G차량.txt", &mod차량::ImportGVehicles},
    {2, "골재", "판매", NameTest::kEquals, "G판매.txt", &mod판매::ImportGSales},
    {3, "골재", "수금", NameTest::kEquals, "G수금.txt", &mod수금::ImportGCollections},
    {4, "골재", "세금", NameTest::kPrefix, "GSS", &mod세금::ImportGTaxInvoices},
    {5, "골재", "송장", NameTest::kPrefix, "S0", &mod송장::ImportDeliverySlips},
    {6, "레미콘", "거래처", NameTest::kEquals, "레미콘거래처.txt",
     &mod거래처::ImportReadyMixCustomers},
    {7, "레미콘", "현장", NameTest::kEquals, "레미콘현장.txt", &mod거래처::ImportReadyMixSites},
    {8, "레미콘", "일일판매", NameTest::kEquals, "레미콘일일판매.txt",
     &mod판매::ImportReadyMixDailySales},
    {9, "레미콘", "수금", NameTest::kEquals, "레미콘수금.txt", &mod수금::ImportReadyMixCollections},
    {10, "레미콘", "계산서", NameTest::kContains, "계산서", &mod세금::ImportReadyMixInvoices},
};

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
    std::size_t length = Utf8CharLength(static_cast<unsigned char>(name[position]));
    std::string_view character = name.substr(position, length);
    for (char c : character) prefix += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    position += length;
  }
  return prefix;
}

std::size_t CharCount(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t position = 0; position < text.size(); ++count) {
    position += Utf8CharLength(static_cast<unsigned char>(text[position]));
  }
  return count;
}

}  // namespace

const char* const kWrongFileMessage = "파일을 잘못 선택하셨습니다.\r\n다시 파일을 선택하십시오.";

const ImportKindInfo& KindInfo(int kind) {
  if (kind < 0 || kind >= kKindCount) {
    throw std::out_of_range("가져오기 종류는 0에서 10 사이입니다: " + std::to_string(kind));
  }
  return kKinds[kind];
}

bool FileNameFits(int kind, std::string_view fileNameUtf8) {
  const ImportKindInfo& info = KindInfo(kind);
  const std::string_view pattern = info.pattern;
  switch (info.test) {
    case NameTest::kEquals:
      return fileNameUtf8 == pattern;
    case NameTest::kPrefix:
      return UpperPrefix(fileNameUtf8, CharCount(pattern)) == pattern;
    case NameTest::kContains:
      return fileNameUtf8.find(pattern) != std::string_view::npos;
  }
  return false;
}

DispatchResult Dispatch(ImportShell& shell, int kind, const std::string& directory,
                        const std::string& fileNameBytes) {
  const ImportKindInfo& info = KindInfo(kind);
  if (!FileNameFits(kind, DecodeFileName(fileNameBytes))) {
    shell.ShowMessage(kWrongFileMessage);
    return DispatchResult::kRefused;
  }
  try {
    LoadExportFile(shell, directory + "/" + fileNameBytes);
  } catch (const std::exception& error) {
    shell.ShowMessage(error.what());
    return DispatchResult::kLoadFailed;
  }
  info.routine(shell);
  return DispatchResult::kRan;
}

}  // namespace ModMain
