// The customer code map the ready-mix customer import fills: the core's map
// (CP949) and its mirror in the window's code-map list (UTF-8).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/encoding.h"
#include "common/import_shell.h"
#include "customers_test_aid.h"
#include "import/imports.h"

namespace {

using ModMain::Utf8ToCp949;

class CustomerCodeMapFill : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateCustomerTable(dir.Path());
    ModMain::OpenTargetDatabase(shell, dir.Path());
    ASSERT_NE(shell.SharedConnection, nullptr);
  }

  void Import(const std::vector<std::string>& lines) {
    shell.RecordLines = lines;
    mod거래처::ImportReadyMixCustomers(shell);
  }

  std::vector<std::string> MapNewCodes() const {
    std::vector<std::string> codes;
    for (const auto& item : shell.customerCodeMap.Items()) codes.push_back(item.newCode);
    return codes;
  }

  TableDirectory dir;
  RecordingView view;
  ModMain::ImportShell shell{view};
};

TEST_F(CustomerCodeMapFill, OneItemPerSavedCustomerMirroredInUtf8) {
  Import({ReadyMixCustomerLine("1A0001", "대한건설"), ReadyMixCustomerLine("2B0002", "한빛산업"),
          ReadyMixCustomerLine("1C0003", "동방레미콘"), "trailer"});
  ASSERT_EQ(shell.lastOutcome, ModMain::RunOutcome::kCompleted);

  const auto& items = shell.customerCodeMap.Items();
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[1].oldCode, "2B0002");
  EXPECT_EQ(items[1].newCode, "200001");
  EXPECT_EQ(items[1].name, Utf8ToCp949("한빛산업"));
  EXPECT_EQ(MapNewCodes(), (std::vector<std::string>{"100001", "200001", "100002"}));

  EXPECT_EQ(view.codeMap, (std::vector<CodeMapRow>{{"1A0001", "100001", "대한건설"},
                                                   {"2B0002", "200001", "한빛산업"},
                                                   {"1C0003", "100002", "동방레미콘"}}));
  ASSERT_NE(shell.customerCodeMap.Find("1C0003"), nullptr);
  EXPECT_EQ(shell.customerCodeMap.Find("1C0003")->newCode, "100002");
}

TEST_F(CustomerCodeMapFill, EveryRunStartsAFreshMapAndFreshCounters) {
  Import({ReadyMixCustomerLine("1A0001", "첫째"), ReadyMixCustomerLine("1A0002", "둘째"), "t"});
  Import({ReadyMixCustomerLine("1Z0009", "새파일"), "t"});
  EXPECT_EQ(view.codeMapClears, 2);
  EXPECT_EQ(view.codeMap, (std::vector<CodeMapRow>{{"1Z0009", "100001", "새파일"}}));
  EXPECT_EQ(MapNewCodes(), (std::vector<std::string>{"100001"}));
  EXPECT_EQ(shell.customerCodeMap.Find("1A0001"), nullptr);
}

TEST_F(CustomerCodeMapFill, MissingTableLeavesTheMapOfTheRunBefore) {
  Import({ReadyMixCustomerLine("1A0001", "첫째"), "t"});
  std::filesystem::remove(dir.Path() + "/vdrs110.dbf");
  Import({ReadyMixCustomerLine("1Z0009", "못들어감"), "t"});
  EXPECT_EQ(shell.lastOutcome, ModMain::RunOutcome::kEndedEarly);
  ASSERT_FALSE(view.messages.empty());
  EXPECT_EQ(view.messages.back(),
            "거래처 테이블이 없습니다.\r\n테이블을 확인하고 다시 시도하십시오.");
  EXPECT_EQ(view.codeMap, (std::vector<CodeMapRow>{{"1A0001", "100001", "첫째"}}));
  EXPECT_EQ(MapNewCodes(), (std::vector<std::string>{"100001"}));
}

TEST_F(CustomerCodeMapFill, FailedRecordAddsNoItemButKeepsThoseBefore) {
  std::string bad = ReadyMixCustomerLine("1B0002", "날짜오류");
  bad.replace(392, 8, "20031340");  // month 13, day 40
  Import({ReadyMixCustomerLine("1A0001", "정상"), bad, ReadyMixCustomerLine("1C0003", "못감"),
          "t"});
  EXPECT_EQ(shell.lastOutcome, ModMain::RunOutcome::kEndedEarly);
  EXPECT_EQ(view.codeMap, (std::vector<CodeMapRow>{{"1A0001", "100001", "정상"}}));
  EXPECT_EQ(MapNewCodes(), (std::vector<std::string>{"100001"}));
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_NE(view.messages[0].find("2번째 줄"), std::string::npos) << view.messages[0];
}

}  // namespace
