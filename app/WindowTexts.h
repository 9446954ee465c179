#pragma once

#include <string>

#include "download/DownloadProgress.h"
#include "files/FileWarnings.h"

namespace brenvik::app {

// The texts of the main window's boxes, made here for both windows. UTF-8.

// Connect's three captions: at start, while connected, and after a Disconnect.
inline constexpr const char* kConnectCaption = "Connect";
inline constexpr const char* kDisconnectCaption = "&Disconn...";
inline constexpr const char* kConnectAgainCaption = "&Connect";

inline constexpr const char* kFileNotSelected = "File not selected!";
inline constexpr const char* kConnectFailed = "Failed connecting to COM port.";
// Asked while a download runs, before a key, the close box or Disconnect
// stops it; No is the default answer.
inline constexpr const char* kAskClose = "A download is running. Stop it and close the window?";
inline constexpr const char* kAskDisconnect = "A download is running. Stop it and disconnect?";

// A box shows the first warnings of a file and how many it left out.
inline constexpr std::size_t kWarningsShown = 20;

// "Failed connecting to COM port." and, on its own line, why the port would
// not open.
std::string ConnectFailedText(const std::string& cause);

// "The port went away: " and why.
std::string PortWentAwayText(const std::string& reason);

// The box after a file was read with warnings: "PATH was read with N
// warnings:", then the first 20 warnings, each starting at "line N: " where it
// named the file, then "and N more". Empty when there are no warnings.
std::string WarningsBoxText(const std::string& path, const FileWarnings& warnings);

// What a file chooser offers first for a kind: "DB files" and "*db*.csv",
// "MMI files" and "*mmi*.csv". All files are offered besides.
struct FileFilter {
  const char* name;
  const char* pattern;
};
FileFilter FileFilterFor(DownloadKind kind);

}  // namespace brenvik::app
