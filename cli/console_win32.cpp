// The command line on Windows. Output: the program writes UTF-8 as on
// Linux; a console shows it through WriteConsoleW, fed by a pipe that takes
// the place of the console streams, so every printf of the program stays as
// it is. Ctrl+C, Ctrl+Break and closing the console ask for a stop.
#include "cli/console.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "dbf/os/wide_win32.h"

namespace cli {
namespace {

using dbf::os::Utf8;
using dbf::os::Wide;

std::atomic<bool> stopRequested{false};
HANDLE programEnded = nullptr;  // a closing console waits for it
bool stdinIsConsole = false, stderrIsConsole = false;

bool IsConsole(DWORD stream) {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(stream), &mode) != 0;
}

// The length of `text` without a UTF-8 sequence cut at its end.
std::size_t WholeCharacters(const std::string& text) {
  std::size_t start = text.size();
  for (int back = 0; back < 3 && start > 0; ++back) {
    const auto c = static_cast<unsigned char>(text[start - 1]);
    if ((c & 0xC0) != 0x80) {  // the last sequence starts here
      const std::size_t need = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
      return text.size() - (start - 1) >= need ? text.size() : start - 1;
    }
    --start;
  }
  return text.size();
}

struct Relay {
  HANDLE pipe;
  HANDLE console;
  HANDLE thread;
} relay{};

DWORD WINAPI ShowOnConsole(void*) {
  std::string pending;
  char buffer[4096];
  DWORD n = 0;
  auto show = [](const std::string& text) {
    const std::wstring wide = Wide(text);
    DWORD written = 0;
    WriteConsoleW(relay.console, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
  };
  while (ReadFile(relay.pipe, buffer, sizeof buffer, &n, nullptr) && n > 0) {
    pending.append(buffer, n);
    const std::size_t whole = WholeCharacters(pending);
    show(pending.substr(0, whole));
    pending.erase(0, whole);
  }
  if (!pending.empty()) show(pending);
  return 0;
}

// At the program's end: what is buffered goes through, the pipe closes, and
// the console has shown all of it before the program goes.
void EndRelay() {
  std::fflush(stdout);
  std::fflush(stderr);
  _close(_fileno(stdout));
  _close(_fileno(stderr));
  WaitForSingleObject(relay.thread, 5000);
}

BOOL WINAPI OnConsoleControl(DWORD event) {
  stopRequested = true;
  // Windows ends the program when this returns: let the run stop after its
  // record and close its tables first.
  if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
    WaitForSingleObject(programEnded, INFINITE);
  return TRUE;
}

void SignalProgramEnded() { SetEvent(programEnded); }

}  // namespace

std::vector<std::string> ProgramArguments(int, char**) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  for (int i = 1; wide && i < count; ++i) arguments.push_back(Utf8(wide[i]));
  LocalFree(wide);
  return arguments;
}

std::string ProgramDirectory() {
  std::wstring path(32768, L'\0');
  const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  if (length == 0 || length >= path.size()) return ".";
  path.resize(length);
  const std::size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? "." : Utf8(path.substr(0, slash));
}

void SetUpOutput() {
  stdinIsConsole = IsConsole(STD_INPUT_HANDLE);
  stderrIsConsole = IsConsole(STD_ERROR_HANDLE);
  const bool stdoutIsConsole = IsConsole(STD_OUTPUT_HANDLE);
  // Bytes as written: LF is not made CR LF, so a pipe gets what Linux gives.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  static char outputBuffer[1 << 16];
  std::setvbuf(stdout, outputBuffer, _IOFBF, sizeof outputBuffer);
  if (!stdoutIsConsole && !stderrIsConsole) return;
  // One pipe for both streams keeps their order on the console.
  // A handle of its own: _dup2 below closes the console's handle of the stream.
  if (!DuplicateHandle(GetCurrentProcess(), GetStdHandle(stdoutIsConsole ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE),
                       GetCurrentProcess(), &relay.console, 0, FALSE, DUPLICATE_SAME_ACCESS))
    return;
  HANDLE writeEnd = nullptr;
  if (!CreatePipe(&relay.pipe, &writeEnd, nullptr, 0)) return;
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(writeEnd), _O_BINARY | _O_WRONLY);
  if (stdoutIsConsole) _dup2(fd, _fileno(stdout));
  if (stderrIsConsole) _dup2(fd, _fileno(stderr));
  _close(fd);
  relay.thread = CreateThread(nullptr, 0, ShowOnConsole, nullptr, 0, nullptr);
  std::atexit(EndRelay);
}

bool StdinIsTerminal() { return stdinIsConsole; }
bool StderrIsTerminal() { return stderrIsConsole; }

void CatchStopSignals() {
  programEnded = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::atexit(SignalProgramEnded);
  SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

bool StopSignalled() { return stopRequested; }

}  // namespace cli
