#include "dbf/cdx/index.h"

#include "dbf/lock_schemes.h"

#include <algorithm>
#include <cerrno>

#include "dbf/ascii.h"
#include "dbf/cdx/tree.h"
#include "dbf/connection_state.h"
#include "dbf/messages.h"

namespace dbf::detail {

using cdx::Tag;
using cdx::Tree;

void TableIndex::Open(ConnectionState& connection, const std::string& tableName, const std::string& tablePath,
                      const TableLayout& layout, const std::string& codePage) {
  Close();
  connection_ = &connection;
  tableName_ = tableName;
  tablePath_ = tablePath;
  layout_ = layout;
  codePage_ = codePage;
}

void TableIndex::Close() {
  if (file_.HoldsFreed() && !connection_->checkOnly) try {
      ByteLocks lock;
      if (lock.Acquire(file_.Handle(), kIndexLockBytes)) {
        file_.BeginUpdate();
        file_.BumpCounter();
        file_.ReleaseFreed();
        file_.EndUpdate();
      }
    } catch (const cdx::IoFailure&) {
      // The pages stay unused, as after a kill.
    } catch (const cdx::Damaged&) {
    }
  file_.Close();
  tags_.clear();
  loaded_ = prepared_ = false;
  refusal_.clear();
}

std::string TableIndex::Stem() const {
  const std::string base = tablePath_.substr(tablePath_.find_last_of('/') + 1);
  return base.substr(0, base.size() - 4);  // without ".dbf"
}

void TableIndex::Load() {
  if (loaded_) return;
  loaded_ = true;
  if (!layout_.HasStructuralIndex()) return;
  const std::string stem = Stem();
  const std::string path = connection_->Resolve(stem, "cdx");
  const std::string subject = "테이블 " + tableName_ + "의 구조 색인 파일 " + stem + ".cdx";
  if (path.empty()) {
    // dBASE marks its production .mdx with the same bit; that one is only listed.
    if (!connection_->Resolve(stem, "mdx").empty()) return;
    refusal_ = subject + "이(가) 폴더 " + connection_->directory +
               "에 없습니다. 색인이 없으면 응용 프로그램이 테이블을 열지 못하므로 행을 바꾸지 않았습니다.";
    return;
  }
  if (int error = file_.Open(path)) {
    refusal_ = subject + "을(를) 열 수 없습니다: " + SystemErrorText(error) + ".";
    return;
  }
  file_.Handle().KeepWritesIn(connection_->OverlayFor(path, file_.Handle(), {{0, file_.Handle().Size()}}));
  if (!file_.Writable()) refusal_ = subject + "이(가) 읽기 전용이어서 행을 바꾸지 않았습니다.";
  try {
    file_.BeginUpdate();
    cdx::Header directory;
    file_.ReadHeader(0, directory);
    if (directory.keyLength < 1 || directory.keyLength > 240) throw cdx::Damaged{};
    for (const cdx::Entry& e : Tree(file_, 0, cdx::KeyFormat{directory.keyLength, ' '}).Walk()) {
      const std::string name(ascii::TrimRight(e.key, ascii::kSpacesAndNuls));
      cdx::Header header;
      file_.ReadHeader(e.recno, header);
      tags_.push_back(cdx::DefineTag(name, e.recno, header, layout_, codePage_));
    }
  } catch (const cdx::Damaged&) {
    refusal_ = subject + "이(가) 손상되었습니다. 응용 프로그램에서 색인을 다시 만드십시오.";
  } catch (const cdx::IoFailure& failure) {
    refusal_ = subject + "을(를) 읽을 수 없습니다: " + SystemErrorText(failure.error) + ".";
  }
}

namespace {

// A key as a clerk can read it: the text without its padding, else hex bytes.
std::string KeyText(const Tag& tag, std::string key) {
  if (tag.nullForm && !key.empty()) key.erase(0, 1);
  if (tag.kind == cdx::KeyKind::kText) return MessageText(ascii::TrimRight(key));
  return "0x" + ascii::HexDigits(key);
}

}  // namespace

void TableIndex::MarkStale(Tag& tag, const std::string& reason) {
  tag.problem = reason;
  connection_->NoteStale({tableName_, tag.name, reason});
}

void TableIndex::NoteWritten() {
  if (file_.IsOpen()) connection_->writtenFiles.insert(file_.Path());
  for (Tag& tag : tags_)
    if (!tag.problem.empty()) connection_->NoteStale({tableName_, tag.name, tag.problem});
  // Index files the header does not announce go stale just the same.
  const std::string stem = Stem();
  for (const char* extension : {"cdx", "idx", "ndx", "ntx", "mdx"}) {
    if (file_.IsOpen() && extension == std::string("cdx")) continue;
    std::string name;
    try {
      name = connection_->Resolve(stem, extension);
    } catch (const Error&) {
      name = stem + "." + extension;  // there are several that differ in case
    }
    if (!name.empty())
      connection_->NoteStale({tableName_, name.substr(name.find_last_of('/') + 1),
                              "이 프로그램이 갱신하지 않는 색인 파일입니다"});
  }
}

// Runs one change of a tag. A tree found inconsistent is built anew from the
// table's rows and the change is run again (every change is one that a tree
// already holding its result leaves alone). A tag that cannot be kept exact
// is given up and listed.
template <typename Change>
void TableIndex::Update(Tag& tag, const FileHandle& table, std::uint32_t recordCount, std::uint32_t recno,
                        const Change& change) {
  if (!tag.problem.empty()) return;
  try {
    Tree tree(file_, tag.header, tag.format);
    try {
      change(tree);
    } catch (const cdx::Damaged&) {
      tree.Rebuild(cdx::TableKeys(tag, table, layout_, recordCount));
      connection_->NoteRebuilt({tableName_, file_.Path().substr(file_.Path().find_last_of('/') + 1), tag.name});
      change(tree);
    }
  } catch (const cdx::Inexact&) {
    MarkStale(tag, "레코드 " + std::to_string(recno) + "의 키를 응용 프로그램과 똑같이 만들 수 없습니다");
  } catch (const cdx::Damaged&) {
    MarkStale(tag, "색인이 손상되어 다시 만들지 못했습니다");
  } catch (const cdx::IoFailure& failure) {
    MarkStale(tag, "색인 파일을 고치지 못했습니다: " + SystemErrorText(failure.error));
  }
}

// The first write after the open: a tree a killed writer left half changed,
// or whose key count cannot be that of the rows (a kill kept a row's keys
// out, and other programs appended since), is compared with every row's keys
// and built anew when it differs; so is every tag when told to verify fully.
// The last row gets its keys if a kill kept them from it.
void TableIndex::Prepare(const FileHandle& table, std::uint32_t recordCount, bool trusted, bool fully) {
  std::vector<std::uint8_t> last(layout_.recordLength);
  const bool haveLast =
      recordCount > 0 && table.ReadAt(layout_.headerLength + std::uint64_t(recordCount - 1) * layout_.recordLength,
                                      last.data(), last.size()) == static_cast<long>(last.size());
  for (Tag& tag : tags_) {
    Update(tag, table, recordCount, recordCount, [&](Tree& tree) {
      bool compare = fully;
      if (!trusted || fully) {
        std::size_t keys = 0;
        if (!tree.Check(recordCount, &keys).empty()) throw cdx::Damaged{};  // (T1)-(T6)
        // (T7): without a FOR clause or UNIQUE every row has exactly one key.
        const bool everyRow = !tag.filter.IsSet() && !tag.Unique();
        compare = compare || (everyRow ? keys != recordCount : keys > recordCount);
      }
      if (compare) {
        const std::vector<cdx::Entry> rows = cdx::TableKeys(tag, table, layout_, recordCount), held = tree.Walk();
        const auto same = [](const cdx::Entry& a, const cdx::Entry& b) { return a.key == b.key && a.recno == b.recno; };
        if (!std::equal(rows.begin(), rows.end(), held.begin(), held.end(), same)) throw cdx::Damaged{};
        return;
      }
      if (!haveLast) return;
      const auto key = tag.KeyOf(last.data());
      if (key && !(tag.Unique() ? tree.Contains(*key) : tree.Contains(*key, recordCount)))
        tree.Insert(*key, recordCount);
    });
  }
  prepared_ = true;
}

std::vector<TableIndex::TagState> TableIndex::Inspect(const FileHandle& table, std::uint32_t recordCount) {
  Load();
  if (!refusal_.empty()) Fail(refusal_);
  std::vector<TagState> states;
  file_.BeginUpdate();
  for (const Tag& tag : tags_) {
    TagState state{tag.name, tag.problem, "", {}, {}};
    try {
      Tree tree(file_, tag.header, tag.format);
      state.damage = tree.Check(recordCount);
      if (state.damage.empty()) state.keys = tree.Walk();
      if (tag.problem.empty()) state.rowKeys = cdx::TableKeys(tag, table, layout_, recordCount);
    } catch (const cdx::Damaged&) {
      state.damage = "unreadable";
    } catch (const cdx::Inexact&) {
      state.problem = "inexact";
    }
    states.push_back(std::move(state));
  }
  return states;
}

IndexWrite::IndexWrite(TableIndex& index, const FileHandle& table, std::uint32_t recordCount,
                       const std::uint8_t* newRecord, bool verifyFully)
    : index_(index), table_(table) {
  index.Load();
  if (!index.refusal_.empty()) Fail(index.refusal_);
  bool maintained = false;
  for (const Tag& tag : index.tags_) maintained = maintained || tag.problem.empty();
  if (!maintained) return;
  if (!index.connection_->checkOnly && !lock_.Acquire(index.file_.Handle(), kIndexLockBytes))
    FailTable(index.tableName_, "의 색인 파일을 다른 프로그램이 잠그고 있어 행을 저장하지 못했습니다. 잠시 후 다시 시도하십시오.");
  active_ = true;
  cdx::CdxFile& file = index.file_;
  try {
    file.BeginUpdate();
    auto& checked = index.connection_->checkedIndexes;
    const auto seen = checked.find(file.Path());
    // Unchanged since this connection's last write: no need to check it again.
    const bool trusted = seen != checked.end() && seen->second == std::make_pair(file.Counter(), file.Size());
    // The counter moves before any page does, so every other reader sees a change.
    file.BumpCounter();
    if (!index.prepared_ || verifyFully) index.Prepare(table, recordCount, trusted, verifyFully);
  } catch (const cdx::IoFailure& failure) {
    FailTable(index.tableName_, "의 색인 파일을 고치지 못했습니다: " + SystemErrorText(failure.error) + ".");
  }
  if (newRecord) RefuseHeldKey(newRecord, recordCount);
}

void IndexWrite::RefuseHeldKey(const std::uint8_t* record, std::uint32_t recordCount) {
  if (!active_) return;
  for (std::size_t i = 0; i < index_.tags_.size(); ++i) {
    Tag& tag = index_.tags_[i];
    if (!tag.Candidate() || !tag.problem.empty()) continue;
    std::optional<std::string> key;
    bool held = false;
    index_.Update(tag, table_, recordCount, recordCount + 1, [&](Tree& tree) {
      key = tag.KeyOf(record);
      // The rows of this write before this one have no keys in the tree yet.
      held = key && (pendingKeys_[i].contains(*key) || tree.Contains(*key));
    });
    if (held)
      FailTable(index_.tableName_, "의 후보 키 태그 " + tag.name + "에 키 '" + KeyText(tag, *key) +
           "'이(가) 이미 있어 행을 저장하지 않았습니다.");
    if (key) pendingKeys_[i].insert(std::move(*key));
  }
}

IndexWrite::~IndexWrite() {
  if (!active_) return;
  cdx::CdxFile& file = index_.file_;
  auto& checked = index_.connection_->checkedIndexes;
  if (file.EndUpdate())
    checked[file.Path()] = {file.Counter(), file.Size()};
  else
    checked.erase(file.Path());
}

void IndexWrite::Appended(std::uint32_t firstRecno, const std::uint8_t* records, std::uint32_t rows,
                          std::size_t recordLength) {
  if (!active_ || rows == 0) return;
  for (Tag& tag : index_.tags_) {
    std::vector<cdx::Entry> taken;
    for (std::uint32_t r = 0; r < rows; ++r) {
      const std::uint32_t recno = firstRecno + r;  // named by a key that cannot be made exact
      index_.Update(tag, table_, recno, recno, [&](Tree&) {
        if (auto key = tag.KeyOf(records + std::size_t(r) * recordLength)) taken.emplace_back(std::move(*key), recno);
      });
    }
    if (taken.empty()) continue;
    std::sort(taken.begin(), taken.end(), [](const cdx::Entry& a, const cdx::Entry& b) { return Compare(a, b) < 0; });
    index_.Update(tag, table_, firstRecno + rows - 1, taken.front().recno, [&](Tree& tree) {
      if (!tag.Unique()) return tree.InsertMany(taken);
      // A UNIQUE tag keeps a key's first row only: none if the tree holds it.
      std::vector<cdx::Entry> first;
      for (const cdx::Entry& e : taken)
        if ((first.empty() || first.back().key != e.key) && !tree.Contains(e.key)) first.push_back(e);
      tree.InsertMany(first);
    });
  }
}

void IndexWrite::Deleted(std::uint32_t recno, std::uint32_t recordCount, const std::uint8_t* before,
                         const std::uint8_t* after) {
  if (!active_) return;
  for (Tag& tag : index_.tags_) {
    index_.Update(tag, table_, recordCount, recno, [&](Tree& tree) {
      // A key comes or goes only where the FOR clause (or the key) reads DELETED().
      const auto oldKey = tag.KeyOf(before);
      const auto newKey = tag.KeyOf(after);
      if (oldKey == newKey) return;
      if (oldKey) tree.Remove(*oldKey, recno);
      if (newKey && !(tag.Unique() && tree.Contains(*newKey))) tree.Insert(*newKey, recno);
    });
  }
}

TableLayout ReadTableLayout(const FileHandle& table, const std::string& tableName) {
  std::vector<std::uint8_t> header(kHeaderPrefix);
  long n = table.ReadAt(0, header.data(), header.size());
  const std::uint32_t claimed = n < 0 ? 0 : ClaimedHeaderLength(header.data(), n);
  if (claimed > header.size()) {
    header.resize(claimed);
    n = table.ReadAt(0, header.data(), header.size());
  }
  if (n < 0) FailTable(tableName, "을(를) 읽을 수 없습니다: " + SystemErrorText(errno) + ".");
  const long long size = table.Size();
  return ParseTableHeader(header.data(), n, size < 0 ? 0 : size, tableName);
}

}  // namespace dbf::detail
