// The run journal below the front ends: SHA-256, the line format, what a
// reading makes of retries and undos, the write-ahead observer of a save and
// the judged delete that undo uses.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <functional>
#include <stdexcept>

#include "common/journal_runs.h"
#include "common/sha256.h"
#include "dbf/dbf.h"
#include "support/test_support.h"

using ModMain::JournalEntry;

namespace {

TEST(Journal, Sha256MatchesTheStandardVectorsAcrossBlockEdges) {
  const std::pair<std::string, const char*> cases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {std::string(55, 'a'), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(1000, 'a'), "41edece42d63e8d9bf515a9ba6932e1c20cbc9f5a5d134645adb5db1b9737ea3"}};
  for (const auto& [message, digest] : cases) EXPECT_EQ(ModMain::Sha256Hex(message), digest) << message.size();
}

// Fields survive any byte; a damaged, cut or unknown line is skipped with a
// warning naming it, and the lines after it are read.
TEST(Journal, LinesRoundTripAndDamagedOnesAreSkippedWithAWarning) {
  TempDir dir;
  ModMain::JournalFile journal(dir.Path() + "/a/b", true);
  const JournalEntry odd = {"r1", "start", "t\t\\n\n\r\\", dir.Path(), "1", "G\xc2\xf7.txt", "9", "ff"};
  const JournalEntry later = {"r2", "later", "x", "y", "z"};
  for (const JournalEntry& entry : {odd, JournalEntry{"r1", "end", "t", "completed", "0"}, later, odd})
    journal.Append(entry);
  auto bytes = ReadBytes(journal.Path());
  bytes[std::string(bytes.begin(), bytes.end()).find("completed")] ^= 1;  // line 3: a flipped bit
  bytes.resize(bytes.size() - 3);                                         // line 5: cut short
  WriteBytes(journal.Path(), bytes);
  journal.Append(odd);  // line 6 follows the cut one, whole
  journal.Append({"r3", "row", std::string(ModMain::kMaxJournalLineBytes, 'x'), "1", "h"});  // line 7: too long
  journal.Append(odd);
  std::vector<JournalEntry> read;
  const auto warnings = journal.Read([&](const JournalEntry& e) { read.push_back(e); return e != later; });
  EXPECT_EQ(read, (std::vector<JournalEntry>{odd, later, odd, odd}));
  auto warning = [&](int line) { return "작업 기록 " + journal.Path() + "의 " + std::to_string(line) + "번째 줄이 손상되어 건너뛰었습니다."; };
  EXPECT_EQ(warnings, (std::vector<std::string>{warning(3), warning(4), warning(5), warning(7)}));
}

// Never through a link (a dangling one creates nothing), only a regular file,
// another user's only in a folder no stranger can write, never past the size
// bound: each is refused with a message, before a byte is read or written.
// On Windows (under Wine): a folder in place of the file, and the size bound;
// links, FIFOs and other users' files are made with POSIX calls.
TEST(Journal, OnlyARegularFileOfTheUserOrOfAClosedFolderIsUsed) {
  TempDir dir;
  const std::string path = dir.File("journal.log");
#ifdef _WIN32
  const struct { std::function<void()> make; std::string refusal; bool root; } cases[] = {
      {[&] { std::filesystem::create_directory(path); }, "보통 파일이 아닙니다", false},
#else
  auto stranger = [&](mode_t folder) { WriteBytes(path, "\n"), chown(path.c_str(), 4242, 4242), chmod(dir.Path().c_str(), folder); };
  const struct { std::function<void()> make; std::string refusal; bool root; } cases[] = {
      {[&] { symlink("/dev/zero", path.c_str()); }, "심볼릭 링크", false},
      {[&] { symlink(dir.File("elsewhere").c_str(), path.c_str()); }, "심볼릭 링크", false},
      {[&] { mkfifo(path.c_str(), 0600); }, "보통 파일이 아닙니다", false},
      {[&] { stranger(0777); }, "다른 사용자의 파일인데 그 폴더는 누구나 쓸 수 있습니다", true},  // only root can give a file away
      {[&] { stranger(0770); }, "", true},
#endif
      {[&] { WriteBytes(path, ""), std::filesystem::resize_file(path, ModMain::kMaxJournalBytes + 1); }, "너무 큽니다", false}};
  for (const auto& c : cases) {
#ifndef _WIN32
    if (c.root && geteuid() != 0) continue;
#endif
    std::filesystem::remove(path);
    c.make();
    ModMain::JournalFile journal(dir.Path(), false);
    std::string what;
    try {
      journal.Read([](const JournalEntry&) { return true; });
    } catch (const std::runtime_error& error) {
      what = error.what();
    }
    EXPECT_TRUE(c.refusal.empty() ? what.empty() : what.find(c.refusal) != std::string::npos) << c.refusal << what;
    if (c.refusal == "심볼릭 링크") {
      EXPECT_THROW(journal.Append({"r", "undo", "t", "0", "0"}), std::runtime_error);
    }
  }
  EXPECT_FALSE(std::filesystem::exists(dir.File("elsewhere")));
}

// The index is a shortcut only: a reading with it finds what a whole reading
// finds, after lines were added (a cut last line among them, finished later),
// the journal was replaced by another, or the index was damaged.
TEST(Journal, AReadingFromTheIndexFindsWhatAWholeReadingFinds) {
  TempDir dir;
  ModMain::JournalFile journal(dir.Path(), false);
  auto seen = [&] {
    const auto contents = ModMain::ReadJournal(journal);
    std::string text;
    for (const auto& run : contents.runs) {
      text += run.id + run.started + (run.end ? std::string(ModMain::RunEndWord(*run.end)) : "") + run.undone +
              std::to_string(run.line) + "|";
      for (const auto& [table, count] : run.rows) text += table + std::to_string(count) + ",";
    }
    for (const auto& row : ModMain::RowsOfRun(journal, contents.runs.at(1)))
      text += row.table + std::to_string(row.recordNumber) + row.hash + ";";
    for (const auto& warning : contents.warnings) text += warning.substr(warning.find("의 ")) + ";";
    return text;
  };
  auto checkAgainstWholeReading = [&](const char* step) {
    const std::string indexed = seen();
    std::filesystem::remove(dir.File("journal.idx"));
    EXPECT_EQ(indexed, seen()) << step;
    EXPECT_TRUE(std::filesystem::exists(dir.File("journal.idx"))) << step;
  };
  for (const JournalEntry& line : std::vector<JournalEntry>{{"a", "start", "t1", "/db", "1", "f", "9", "h1"},
                                                            {"a", "row", "carno", "1", "x"}, {"b", "start", "t2", "/db", "1", "f", "9", "h2"},
                                                            {"a", "end", "t", "completed", "0"}, {"b", "row", "carno", "2", "y"}})
    journal.Append(line);
  checkAgainstWholeReading("first reading");
  const std::string cut = "\n" + ModMain::EncodeJournalLine({"b", "row", "carno", "3", "z"});
  WriteBytes(journal.Path(), ReadBytes(journal.Path()) + "\nbroken" + cut.substr(0, 20));
  checkAgainstWholeReading("a damaged line and a cut one");
  WriteBytes(journal.Path(), ReadBytes(journal.Path()) + cut.substr(20));
  for (const JournalEntry& line : std::vector<JournalEntry>{{"b", "row", "carno", "3", "w"}, {"b", "end", "t", "stopped", "4"}, {"a", "undo", "t", "1", "0"}})
    journal.Append(line);
  checkAgainstWholeReading("the cut line finished, more lines");
  std::string other = ReadBytes(journal.Path());
  other.replace(other.find("\ta\t"), 3, "\tc\t");
  WriteBytes(journal.Path(), other);
  checkAgainstWholeReading("another journal of the same size");
  std::string index = ReadBytes(dir.File("journal.idx"));
  index[index.find("carno")] = 'C';
  WriteBytes(dir.File("journal.idx"), index);
  checkAgainstWholeReading("a damaged index");
}

// A number saved again in one table (a save failed after its row line) is one
// row, the later line; only a completed run not undone is an earlier import.
// The runs of one table directory are listed newest first with their outcome.
TEST(Journal, ReadingCountsRetriesOnceAndGuardsOnlyCompletedRunsNotUndone) {
  TempDir dir;
  ModMain::JournalFile journal(dir.Path(), false);
  const JournalEntry lines[] = {
      {"a", "start", "2024-03-15 09:30:00", "/db", "1", "f", "9", "h1"}, {"a", "row", "carno", "7", "old"},
      {"a", "row", "vdrs160", "7", "s"}, {"a", "row", "carno", "7", "new"}, {"a", "row", "carno", "9", "n9"},
      {"a", "end", "t", "completed", "0"}, {"b", "start", "t", "/db", "1", "f", "9", "h2"},
      {"b", "end", "t", "stopped", "4"}, {"c", "start", "t", "/db", "1", "f", "9", "h3"},
      {"c", "end", "t", "completed", "0"}, {"c", "undo", "t", "1", "0"}, {"d", "start", "t", "/x", "1", "f", "9", "h4"}};
  for (const JournalEntry& line : lines) journal.Append(line);
  const auto contents = ModMain::ReadJournal(journal);
  EXPECT_EQ(contents.runs[0].rows, (std::map<std::string, int>{{"carno", 2}, {"vdrs160", 1}}));
  const auto rows = ModMain::RowsOfRun(journal, contents.runs[0]);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].hash + rows[1].hash + rows[2].hash, "newsn9");
  using ModMain::ImportKind;
  EXPECT_EQ(ModMain::AlreadyImportedQuestion(*ModMain::FindEarlierRun(contents, "/db", ImportKind::kGVehicles, "h1")),
            "이미 가져온 파일입니다 (2024-03-15 09:30, 3행). 다시 가져오시겠습니까?");
  std::string listed;  // the window's history: newest first, each with its outcome
  for (const char* directory : {"/db", "/x"})
    for (const auto& run : ModMain::RunsOfTableDirectory(contents, directory)) listed += run.id + " " + ModMain::RunOutcomeText(run) + ";";
  EXPECT_EQ(listed, "c 완료;b 중지됨 (4번째 줄);a 완료;d 끝나지 않음;");
  for (const auto& [directory, kind, sha] : {std::tuple{"/db", ImportKind::kGSales, "h1"}, {"/x", ImportKind::kGVehicles, "h1"},
                                             {"/db", ImportKind::kGVehicles, "h2"}, {"/db", ImportKind::kGVehicles, "h3"}})
    EXPECT_FALSE(ModMain::FindEarlierRun(contents, directory, kind, sha)) << sha << directory;
}

// The observer hears of a batch's rows, once, before any byte of them is in
// the table; its failure leaves the table as it was; a check never calls it.
TEST(Journal, TheRowObserverHearsOfABatchBeforeItsRecordsAreWrittenAndNeverInACheck) {
  TempDir dir;
  dbf::CreateTable(dir.File("carno.dbf"), 0x30, 0x79, {{"CNO", 'C', 6}});
  auto table = ReadBytes(dir.File("carno.dbf"));
  std::vector<std::string> heard;
  auto observer = [&](const std::string& name, std::span<const dbf::ObservedRow> rows) {
    EXPECT_EQ(ReadBytes(dir.File("carno.dbf")), table);
    std::string batch = name;
    for (const dbf::ObservedRow& row : rows)
      batch += " " + std::to_string(row.recordNumber) + ":" + std::string(row.record.begin(), row.record.end());
    heard.push_back(batch);
    if (heard.size() == 2) throw std::runtime_error("journal full");
  };
  for (bool check : {true, false}) {
    dbf::Connection connection;
    connection.Open(dir.Path(), check);
    connection.SetRowObserver(observer);
    connection.BeginBatches();
    dbf::Recordset rs;
    rs.Open("carno", connection);
    for (const std::string batch : {"12", "3"}) {
      for (char value : batch) rs.AddNew(), rs.SetValue("CNO", std::string(1, value)), rs.Update();
      if (check || batch == "12") connection.EndBatch(), table = ReadBytes(dir.File("carno.dbf"));
      else EXPECT_THROW(connection.EndBatch(), std::runtime_error);
    }
  }
  EXPECT_EQ(heard, (std::vector<std::string>{"carno 1: 1      2: 2     ", "carno 3: 3     "}));
  EXPECT_EQ(ReadBytes(dir.File("carno.dbf")), table);
}

// Row 2 stands past the count, as a save killed before its count leaves it.
TEST(Journal, UndoDeletesARowOnlyWhileItIsWhatTheRunSaved) {
  TempDir dir;
  dbf::CreateTable(dir.File("carno.dbf"), 0x30, 0x79, {{"CNO", 'C', 6}});
  dbf::Connection connection;
  connection.Open(dir.Path());
  dbf::Recordset rs;
  rs.Open("carno", connection);
  for (int row = 0; row < 2; ++row) rs.AddNew(), rs.Update();
  auto bytes = ReadBytes(dir.File("carno.dbf"));
  bytes[4] = 1;
  WriteBytes(dir.File("carno.dbf"), bytes);
  using Outcome = dbf::Recordset::DeleteOutcome;
  const std::tuple<std::uint32_t, bool, Outcome> steps[] = {
      {3, true, Outcome::kBeyondCount}, {2, false, Outcome::kBeyondCount}, {1, false, Outcome::kDiffers},
      {1, true, Outcome::kDeleted},     {1, true, Outcome::kWasDeleted},   {1, false, Outcome::kWasDeleted}};
  for (const auto& [number, same, outcome] : steps)
    EXPECT_EQ(rs.DeleteRowIfSame(number, [same](std::span<const std::uint8_t>) { return same; }), outcome) << number;
  EXPECT_EQ(ReadBytes(dir.File("carno.dbf")).size(), bytes.size());  // another program's tail stays
  EXPECT_EQ(rs.DeleteRowIfSame(2, [](std::span<const std::uint8_t>) { return true; }), Outcome::kBeyondCount);
  bytes.resize(bytes.size() - 7);
  bytes.back() = 0x1A;
  bytes[Le(bytes, 8) & 0xFFFF] = '*';
  EXPECT_EQ(ReadBytes(dir.File("carno.dbf")), bytes);
}

}  // namespace
