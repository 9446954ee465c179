#include "app/WindowTexts.h"

namespace brenvik::app {

std::string ConnectFailedText(const std::string& cause) {
  return std::string(kConnectFailed) + "\n" + cause;
}

std::string PortWentAwayText(const std::string& reason) { return "The port went away: " + reason; }

// The file's path heads the box once; each line then starts at its line
// number (a warning of the whole file without one), so that the box stays
// narrow enough to read.
std::string WarningsBoxText(const std::string& path, const FileWarnings& warnings) {
  if (warnings.empty()) return {};
  const std::string prefix = path + ":";
  const std::size_t count = warnings.size();
  std::string text =
      path + " was read with " + std::to_string(count) + (count == 1 ? " warning:" : " warnings:");
  for (std::size_t i = 0; i < count && i < kWarningsShown; ++i) {
    const std::string& warning = warnings[i];
    text += '\n';
    if (!warning.starts_with(prefix)) {
      text += warning;
    } else if (const std::string rest = warning.substr(prefix.size()); rest.starts_with(' ')) {
      text += rest.substr(1);  // of the file as a whole
    } else {
      text += "line " + rest;
    }
  }
  if (count > kWarningsShown) text += "\nand " + std::to_string(count - kWarningsShown) + " more";
  return text;
}

FileFilter FileFilterFor(DownloadKind kind) {
  return kind == DownloadKind::Db ? FileFilter{"DB files", "*db*.csv"}
                                  : FileFilter{"MMI files", "*mmi*.csv"};
}

}  // namespace brenvik::app
