#include "cli/arguments.h"

#include <cstring>
#include <stdexcept>

#include "common/import_kind.h"
#include "dbf/os/folders.h"

namespace cli {
namespace {

ModMain::ImportKind ParseKind(const std::string& text, const std::string& step) {
  // Digits only, so "+1", " 1" and "1x" are refused rather than guessed at.
  const bool digits = !text.empty() && text.size() <= 2 && text.find_first_not_of("0123456789") == std::string::npos;
  if (!digits || std::stoi(text) >= ModMain::kKindCount) {
    const std::string last = std::to_string(ModMain::kKindCount - 1);
    throw std::invalid_argument("가져오기 종류는 0에서 " + last + " 사이의 숫자입니다 / KIND must be 0 to " + last +
                                ": '" + step + "'");
  }
  return static_cast<ModMain::ImportKind>(std::stoi(text));
}

}  // namespace

ModMain::StepRequest ParseStep(const std::string& step) {
  std::size_t colon = step.find(':');
  if (colon == std::string::npos) {
    throw std::invalid_argument("단계는 KIND:FILE 모양입니다 / a step is KIND:FILE: '" + step + "'");
  }
  ModMain::StepRequest parsed;
  parsed.kind = ParseKind(step.substr(0, colon), step);
  std::string file = step.substr(colon + 1);
  if (file.empty() || std::strchr(dbf::os::kPathSeparators, file.back())) {
    throw std::invalid_argument("파일이 없습니다 / FILE is missing: '" + step + "'");
  }
  std::size_t slash = file.find_last_of(dbf::os::kPathSeparators);
  if (slash == std::string::npos) {
    parsed.directory.assign(1, '.');  // (a literal here trips a false g++ 12 warning)
    parsed.fileName = file;
  } else {
    parsed.directory = slash == 0 ? std::string() : file.substr(0, slash);
    parsed.fileName = file.substr(slash + 1);
  }
  return parsed;
}

Arguments ParseArguments(const std::vector<std::string>& arguments) {
  Arguments parsed;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "--help" || argument == "-h") {
      parsed.help = true;
    } else if (argument == "--check") {
      parsed.checkOnly = true;
    } else if (argument == "--preview") {
      const std::string count = i + 1 < arguments.size() ? arguments[i + 1] : std::string();
      if (count.empty() || count.size() > 4 || count.find_first_not_of("0123456789") != std::string::npos ||
          std::stoi(count) == 0)
        throw std::invalid_argument("--preview 뒤에 레코드 수(1-9999)가 필요합니다 / --preview needs a count of records");
      parsed.preview = std::stoi(arguments[++i]);
    } else if (argument == "--force") {
      parsed.force = true;
    } else if (argument == "--again") {
      parsed.again = true;
    } else if (argument == "--runs") {
      parsed.runs = true;
    } else if (argument == "--undo") {
      // RUN is optional: a following argument that is no option and no step.
      const bool named = i + 1 < arguments.size() && arguments[i + 1].rfind("--", 0) != 0 &&
                         arguments[i + 1].find(':') == std::string::npos;
      parsed.undo = named ? arguments[++i] : std::string();
    } else if (argument == "--db" || argument == "--make-sample-db" || argument == "--journal") {
      if (i + 1 >= arguments.size() || arguments[i + 1].empty()) {
        throw std::invalid_argument(argument + " 뒤에 폴더가 필요합니다 / " + argument +
                                    " needs a directory");
      }
      auto& target = argument == "--db"        ? parsed.tableDirectory
                     : argument == "--journal" ? parsed.journalDirectory
                                               : parsed.sampleDatabase;
      if (target) {
        throw std::invalid_argument(argument + "은(는) 한 번만 씁니다 / " + argument +
                                    " given twice");
      }
      target = arguments[++i];
    } else if (argument.rfind("--", 0) == 0) {
      throw std::invalid_argument("알 수 없는 옵션 / unknown option: " + argument);
    } else {
      parsed.steps.push_back(ParseStep(argument));
    }
  }
  if (parsed.help) return parsed;
  const bool importing = !parsed.steps.empty() || parsed.checkOnly || parsed.force || parsed.again;
  if (parsed.sampleDatabase &&
      (importing || parsed.tableDirectory || parsed.journalDirectory || parsed.runs || parsed.undo)) {
    throw std::invalid_argument(
        "--make-sample-db는 혼자 씁니다 / --make-sample-db takes no other arguments");
  }
  if ((parsed.runs || parsed.undo) && (importing || (parsed.runs && parsed.undo))) {
    throw std::invalid_argument("--undo와 --runs는 가져오기와 함께 쓰지 않습니다 / --undo and --runs take no "
                                "import steps or import options, nor each other");
  }
  if (parsed.preview > 0 && !parsed.checkOnly) {
    throw std::invalid_argument("--preview는 --check와 함께 씁니다 / --preview goes with --check");
  }
  if (!parsed.sampleDatabase && !parsed.runs && !parsed.undo && parsed.steps.empty()) {
    throw std::invalid_argument("가져올 파일이 없습니다 / no KIND:FILE given");
  }
  return parsed;
}

}  // namespace cli
