#pragma once

#include <windows.h>

#include <string>

#include "download/DownloadProgress.h"

namespace brenvik::app {

// Asks for a file of kind with the system's file chooser, owned by owner: the
// kind's files first, all files besides; a name typed without extension gets
// ".csv". Returns its path (UTF-8), empty when the operator cancelled.
std::string ChooseFileToOpen(HWND owner, DownloadKind kind);

}  // namespace brenvik::app
