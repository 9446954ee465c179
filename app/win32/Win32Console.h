#pragma once

namespace brenvik::app {

// A window program has no console of its own. Standard output and standard
// error that were redirected (to a file or a pipe) stay as they are; the
// others are pointed at the console of the program that started the window
// (Command Prompt, PowerShell), when it has one. Returns true when standard
// output now reaches a file, a pipe or a console.
bool ReachConsole();

}  // namespace brenvik::app
