#include "cli/help_text.h"

#include <cstdio>

#include "import/kinds.h"

namespace cli {

const char* const kUsageText =
    "사용법 / usage: dbfimport-cli [--db DIR] [--journal DIR] [--check [--preview N]] [--force] [--again] KIND:FILE ...\n"
    "               dbfimport-cli [--db DIR] [--journal DIR] --undo [RUN]\n"
    "               dbfimport-cli [--journal DIR] --runs\n"
    "               dbfimport-cli --make-sample-db DIR\n"
    "               dbfimport-cli --help\n";

std::string HelpText() {
  std::string text =
    "dbfimport-cli - 골재·레미콘 내보내기 파일을 dBASE/FoxPro 테이블로 가져옵니다.\n"
    "dbfimport-cli - imports the aggregate and ready-mix export files into dBASE/FoxPro tables.\n"
    "\n"
    "사용법 / usage:\n"
    "  dbfimport-cli [--db DIR] [--journal DIR] [--check [--preview N]] [--force] [--again] KIND:FILE ...\n"
    "  dbfimport-cli [--db DIR] [--journal DIR] --undo [RUN]\n"
    "  dbfimport-cli [--journal DIR] --runs\n"
    "  dbfimport-cli --make-sample-db DIR\n"
    "  dbfimport-cli --help\n"
    "\n"
    "KIND (가져오기 종류 / import kind) - 파일 이름 조건 / file name rule:\n";
  for (const ModMain::KindInfo& info : ModMain::Kinds()) {
    char number[16];
    std::snprintf(number, sizeof number, "  %2d  ", ModMain::KindNumber(info.kind));
    text += number + std::string(info.tab) + " " + info.caption + "  " + info.nameRule + "\n";
  }
  text +=
    "  단계는 첫 ':'에서 나뉩니다. FILE의 이름(폴더 제외)이 종류의 조건에 맞아야 합니다.\n"
    "  A step is split at its first ':'. The base name of FILE must pass the kind's rule.\n"
    "\n"
    "--db DIR  테이블 폴더 (.dbf 파일이 있는 곳). 없으면 이 프로그램이 있는 폴더입니다.\n"
    "          The table directory (where the .dbf files are). Default: the directory of\n"
    "          this program. Tables are never created: every table an import writes must exist.\n"
    "\n"
    "--check        모든 단계를 검사만 하고 아무것도 쓰지 않습니다: 문제, 가져오기가 보일\n"
    "               메시지, 테이블마다 받을 행 수(stdout: 단계<TAB>테이블<TAB>행)를 알립니다.\n"
    "               Checks every step and writes nothing: the problems, the messages the\n"
    "               import would show, the rows each table would get (stdout: step<TAB>table<TAB>rows).\n"
    "               Without --check every step is checked like this before the first one\n"
    "               writes: a problem in any file refuses the whole invocation.\n"
    "--preview N    --check와 함께: 단계마다 처음 N개 레코드를 필드로 나누어 보여 줍니다\n"
    "               (stdout: 단계<TAB>줄<TAB>필드 이름<TAB>값).\n"
    "               With --check: the first N records of each step cut into their named\n"
    "               fields (stdout: step<TAB>line<TAB>field name<TAB>value).\n"
    "--force        레코드 대부분의 길이가 종류와 다른 파일(다른 종류의 파일일 수 있음)도 가져옵니다.\n"
    "               Imports a file whose records mostly have another length than the kind's\n"
    "               (probably a file of another kind); without it such a file is refused.\n"
    "--journal DIR  작업 기록 폴더 (여러 사람이 함께 쓸 수 있습니다; 있어야 합니다). 없으면\n"
    "               $XDG_STATE_HOME/dbfimport 또는 ~/.local/state/dbfimport입니다.\n"
    "               The run journal's folder (may be shared by several clerks; must exist).\n"
    "               Default: $XDG_STATE_HOME/dbfimport, else ~/.local/state/dbfimport.\n"
    "--again        이미 가져온 파일(같은 내용, 종류, 테이블 폴더)도 다시 가져옵니다.\n"
    "               Imports a file the journal has as imported already (same content, kind\n"
    "               and table directory, completed and not undone, or still importing);\n"
    "               without it such a step is refused and nothing is imported.\n"
    "--undo [RUN]   작업 RUN(없으면 테이블 폴더의 마지막 작업)이 저장한 행을 지웁니다. 그 뒤에\n"
    "               바뀐 행은 남기고 알려 줍니다. RUN이 없으면 터미널에서는 먼저 묻습니다.\n"
    "               Marks deleted the rows run RUN saved (default: the last run into the\n"
    "               table directory, asked first on a terminal); rows changed since are\n"
    "               kept and listed. A run still importing is not undone.\n"
    "--runs         작업 기록을 보여 줍니다 / lists the journal, one run a line: id, time, table\n"
    "               directory, kind, file, rows per table, outcome, undone.\n"
    "\n"
    "여러 단계는 한 번의 실행에서 차례로 돌아갑니다 (연결, 거래처 코드 목록, 유지되는 거래처\n"
    "코드를 함께 씁니다). 레미콘 거래처(6)는 레미콘 현장(7)보다 먼저 가져옵니다.\n"
    "Steps run in order in one program run and share the connection, the customer code map\n"
    "and the held customer codes, as successive runs in one window session. Import ready-mix\n"
    "customers (6) before ready-mix sites (7), and customers before sales, collections and\n"
    "invoices.\n"
    "\n"
    "출력 / output:\n"
    "  stdout: 가져온 레코드마다 한 줄: 위치<TAB>상태<TAB>레코드 (UTF-8; \\, CR, LF, TAB은\n"
    "          \\\\, \\r, \\n, \\t로 씁니다).\n"
    "          One line per imported record: position<TAB>status<TAB>record text (UTF-8,\n"
    "          with \\, CR, LF and TAB written as \\\\, \\r, \\n, \\t).\n"
    "  stderr: 메시지 상자의 글 / message box texts; 터미널이면 진행 상황 / progress on a terminal.\n"
    "\n"
    "종료 상태 / exit status:\n"
    "  0  모든 단계가 정상으로 끝났고 메시지가 없었습니다.\n"
    "     Every step ended normally and no message was shown.\n"
    "  3  모든 단계가 정상으로 끝났지만 메시지가 있었습니다 (찾지 못한 거래처, 색인 안내 등).\n"
    "     Every step ended normally but a message was shown (customer not found, index notice...).\n"
    "     --undo: 남긴 행이나 색인 안내가 있었습니다 / rows were kept and listed, or an index notice.\n"
    "  1  단계가 거부되었거나 (잘못된 파일 이름, 읽기 실패) 중간에 끝났습니다 (테이블 없음,\n"
    "     오류). 뒤의 단계는 실행하지 않습니다.\n"
    "     A step was refused (wrong file name, load failure) or ended early (missing table,\n"
    "     error); later steps are not run.\n"
    "     이미 가져온 파일이거나 (--again 없이) 되돌리기에 실패했거나 하지 않았습니다.\n"
    "     A file was imported already (without --again), or an undo failed or was declined.\n"
    "  2  잘못된 사용법 / usage error.\n"
    "\n"
    "--make-sample-db DIR  데모와 시험용: DIR에 예제 파일이 쓰는 빈 테이블을 만듭니다.\n"
    "                      Demo and test aid: creates the empty tables the bundled sample\n"
    "                      files need in DIR. The importer itself never creates a table.\n";
  return text;
}

}  // namespace cli
