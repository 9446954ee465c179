#pragma once

#include <span>

#include "app/CommandLine.h"

namespace brenvik::app {

// Reads the Qt window's arguments after args[0]. Frames are echoed unless
// --no-trace says otherwise. Qt's own options (-platform offscreen, -style
// fusion, also written with two dashes) and their values are left for Qt, as
// is any other option with a single dash; an unknown option with two dashes,
// or an argument that is no option, is a usage error.
CommandLine ParseCommandLine(std::span<const char* const> args);

}  // namespace brenvik::app
