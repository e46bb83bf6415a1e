// The customer lookup by trading name and the held customer code of the
// ready-mix sales, collections and invoices, driven through the import shell
// with a recording view.
#include <gtest/gtest.h>

#include <string>

#include "common/encoding.h"
#include "common/import_shell.h"
#include "customers_test_aid.h"
#include "import/imports.h"

namespace {

using ModMain::Utf8ToCp949;

class CustomerLookup : public ::testing::Test {
 protected:
  void SetUp() override { CreateCustomerTable(dir.Path()); }

  void OpenDatabase() {
    ModMain::OpenTargetDatabase(shell, dir.Path());
    ASSERT_NE(shell.SharedConnection, nullptr);
  }

  // Imports ready-mix customers (the last line is the file's trailer).
  void ImportCustomers(const std::vector<std::pair<std::string, std::string>>& customers) {
    shell.RecordLines.clear();
    for (const auto& [oldCode, name] : customers) {
      shell.RecordLines.push_back(ReadyMixCustomerLine(oldCode, name));
    }
    shell.RecordLines.push_back(Utf8ToCp949("합계"));
    mod거래처::ImportReadyMixCustomers(shell);
    ASSERT_EQ(shell.lastOutcome, ModMain::RunOutcome::kCompleted);
  }

  bool Find(const std::string& nameUtf8, std::string& code, int line = 1) {
    return mod거래처::FindCustomerCode(shell, Utf8ToCp949(nameUtf8), code, line);
  }

  TableDirectory dir;
  RecordingView view;
  ModMain::ImportShell shell{view};
};

TEST_F(CustomerLookup, FindsCustomersAddedEarlierInTheSameRunThroughOneHandle) {
  OpenDatabase();
  // A blank name opens the table but looks nothing up.
  std::string code = "kept";
  EXPECT_FALSE(Find("", code));
  EXPECT_EQ(code, "kept");
  ASSERT_NE(shell.LookupRecordset, nullptr);
  EXPECT_TRUE(shell.LookupRecordset->IsOpen());
  const dbf::Recordset* handle = shell.LookupRecordset.get();

  ImportCustomers({{"1A0001", "대한건설"}, {"2B0002", "한빛산업"}, {"1C0003", "동방레미콘"}});

  EXPECT_TRUE(Find("동방레미콘", code));
  EXPECT_EQ(code, "100002");
  EXPECT_TRUE(Find("대한건설", code));
  EXPECT_EQ(code, "100001");
  EXPECT_TRUE(Find("한빛산업", code));
  EXPECT_EQ(code, "200001");
  // the handle opened before the import still serves the lookups
  EXPECT_EQ(shell.LookupRecordset.get(), handle);
  EXPECT_TRUE(view.messages.empty());
}

TEST_F(CustomerLookup, QuotesAndWildcardsAreOrdinaryCharacters) {
  OpenDatabase();
  ImportCustomers({{"100001", "O'Neil 상사"}, {"100002", "50%_할인*?"}, {"100003", "대한건설"}});
  std::string code;
  EXPECT_TRUE(Find("O'Neil 상사", code));
  EXPECT_EQ(code, "100001");
  EXPECT_TRUE(Find("50%_할인*?", code));
  EXPECT_EQ(code, "100002");

  // patterns do not match: each of these names is simply not a customer
  for (const char* pattern : {"대한%", "대한__", "대한*", "대한??", "%"}) {
    code = "before";
    EXPECT_FALSE(Find(pattern, code)) << pattern;
    EXPECT_EQ(code, "before") << pattern;
  }
  EXPECT_EQ(view.messages.size(), 5u);
}

TEST_F(CustomerLookup, NameNotFoundNamesTheNameAndLineThenWorksAgain) {
  OpenDatabase();
  ImportCustomers({{"100001", "대한건설"}});
  std::string code = "100777";
  EXPECT_FALSE(Find("없는거래처", code, 7));
  EXPECT_EQ(code, "100777");
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_NE(view.messages[0].find("없는거래처"), std::string::npos) << view.messages[0];
  EXPECT_NE(view.messages[0].find("7번째 줄"), std::string::npos) << view.messages[0];
  EXPECT_EQ(shell.messagesShown, 1);
  // the failed lookup let go of its handle; the next one opens it again
  EXPECT_EQ(shell.LookupRecordset, nullptr);
  EXPECT_TRUE(Find("대한건설", code));
  EXPECT_EQ(code, "100001");
  EXPECT_EQ(view.messages.size(), 1u);
}

TEST_F(CustomerLookup, SameNameTwiceGivesTheFirstStoredCustomer) {
  OpenDatabase();
  ImportCustomers({{"200009", "같은이름"}, {"100008", "같은이름"}});
  std::string code;
  EXPECT_TRUE(Find("같은이름", code));
  EXPECT_EQ(code, "200001");
}

TEST_F(CustomerLookup, UnreadableTableIsReportedEvenForABlankName) {
  std::filesystem::remove(dir.Path() + "/vdrs110.dbf");
  OpenDatabase();
  std::string code = "100001";
  EXPECT_FALSE(Find("", code, 3));
  EXPECT_EQ(code, "100001");
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_NE(view.messages[0].find("vdrs110"), std::string::npos) << view.messages[0];
  EXPECT_NE(view.messages[0].find("3번째 줄"), std::string::npos) << view.messages[0];
  EXPECT_EQ(shell.LookupRecordset, nullptr);
}

TEST_F(CustomerLookup, HeldCodeFollowsFoundNamesAndNeverKeepsAnotherCustomers) {
  OpenDatabase();
  ImportCustomers({{"100001", "대한건설"}, {"200002", "한빛산업"}});
  std::string held;
  mod거래처::UpdateHeldCustomerCode(shell, Utf8ToCp949("대한건설"), held, 1);
  EXPECT_EQ(held, "100001");
  // continuation lines without a name keep the customer
  mod거래처::UpdateHeldCustomerCode(shell, "", held, 2);
  EXPECT_EQ(held, "100001");
  // an unknown name must not book the row to the previous customer
  mod거래처::UpdateHeldCustomerCode(shell, Utf8ToCp949("모르는회사"), held, 3);
  EXPECT_EQ(held, "");
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_NE(view.messages[0].find("3번째 줄"), std::string::npos);
  mod거래처::UpdateHeldCustomerCode(shell, "", held, 4);
  EXPECT_EQ(held, "");
  mod거래처::UpdateHeldCustomerCode(shell, Utf8ToCp949("한빛산업"), held, 5);
  EXPECT_EQ(held, "200001");
}

TEST_F(CustomerLookup, HeldCodeWithoutCustomerTable) {
  std::filesystem::remove(dir.Path() + "/vdrs110.dbf");
  OpenDatabase();
  std::string held = "100005";
  // a blank name keeps the held code, after the table's message
  mod거래처::UpdateHeldCustomerCode(shell, "", held, 1);
  EXPECT_EQ(held, "100005");
  EXPECT_EQ(view.messages.size(), 1u);
  // a name that cannot be looked up gives no code at all
  mod거래처::UpdateHeldCustomerCode(shell, Utf8ToCp949("대한건설"), held, 2);
  EXPECT_EQ(held, "");
  EXPECT_EQ(view.messages.size(), 2u);
}

TEST_F(CustomerLookup, NoConnectionIsAMessageNotACrash) {
  std::string code = "x";
  EXPECT_FALSE(Find("대한건설", code, 2));
  EXPECT_EQ(code, "x");
  EXPECT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(shell.LookupRecordset, nullptr);
}

}  // namespace
