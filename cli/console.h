// What the command line takes from the system it runs on: its arguments as
// UTF-8, its own folder, its standard streams, and the stop request of a
// signal or a closed console. POSIX in console_posix.cpp, Windows in
// console_win32.cpp.
#pragma once

#include <string>
#include <vector>

namespace cli {

// The arguments after the program's name, as UTF-8 (Windows: read from the
// wide command line, whatever the console's code page).
std::vector<std::string> ProgramArguments(int argc, char** argv);
// The folder the program itself is in.
std::string ProgramDirectory();
// Readies stdout and stderr: stdout buffered, one write per buffer. On
// Windows, a stream that is a console shows its UTF-8 text through
// WriteConsoleW (Korean reads right whatever the console's code page); to a
// pipe or a file the bytes go out as written, as on Linux.
void SetUpOutput();
// Whether stdin or stderr is a terminal (a console), as the program started.
bool StdinIsTerminal();
bool StderrIsTerminal();

// SIGINT, SIGTERM and SIGHUP (Windows: Ctrl+C, Ctrl+Break and closing the
// console) ask the run to stop after the current record (StopRequested), as
// closing the window does.
void CatchStopSignals();
bool StopSignalled();

}  // namespace cli
