#pragma once

namespace brenvik::load {

// Whether descriptor `fd` is a terminal the progress bar can redraw in
// place. Linux: a terminal. Windows: a console (a file, a pipe or NUL is
// not one) whose escape sequences could be turned on, which this does for
// the rest of the program's run.
bool TerminalForBar(int fd);

// The width of the terminal on `fd` in columns; 0 when it is none or says none.
int TerminalColumns(int fd);

}  // namespace brenvik::load
