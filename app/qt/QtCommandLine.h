#pragma once

#include <span>

#include "app/CommandLine.h"

namespace brenvik::app {

// Reads the Qt window's arguments after args[0]. Frames are echoed unless
// --no-trace says otherwise; --port PORT puts PORT in the port field. Qt's
// own options (-platform offscreen, -style fusion, also written with two
// dashes) and their values are left for Qt, as is any other option with a
// single dash; an unknown option with two dashes, or an argument that is no
// option, is a usage error. Unless displayNamed (the environment names a
// display or a Qt platform) or -platform or -display does, the window has
// nowhere to show and the program ends with exit code 1.
CommandLine ParseCommandLine(std::span<const char* const> args, bool displayNamed);

}  // namespace brenvik::app
