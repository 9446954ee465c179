#include "app/CommandLine.h"

#include <string_view>

#include "res/Version.h"

namespace brenvik::app {
namespace {

CommandLine Finish(int exitCode, std::string message) {
  CommandLine result;
  result.exitCode = exitCode;
  result.message = std::move(message);
  return result;
}

CommandLine UsageError(std::string_view what) {
  return Finish(2, "brenvik: " + std::string(what) + "\nTry 'brenvik --help'.\n");
}

}  // namespace

CommandLine ParseCommandLine(std::span<const char* const> args, const ToolkitCommandLine& toolkit) {
  CommandLine result;
  result.traceFrames = toolkit.traceByDefault;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (arg == "--help" || arg == "-h") return Finish(0, toolkit.usage);
    if (arg == "--version") return Finish(0, std::string("brenvik (Brenvik) ") + kVersion + "\n");
    if (arg == "--no-trace") {
      result.traceFrames = false;
      continue;
    }
    if (arg == "--job" || arg.starts_with("--job=")) {
      const bool separate = arg == "--job";
      if (separate && i + 1 < args.size()) result.job = args[++i];
      if (!separate) result.job = arg.substr(std::string_view("--job=").size());
      if (result.job.empty()) return UsageError("option --job needs a value");
      continue;
    }
    if (arg == "--trace" && !toolkit.traceByDefault) {
      result.traceFrames = true;
      continue;
    }
    if (!arg.starts_with('-') || arg == "-") {
      return UsageError("unexpected argument " + std::string(arg));
    }
    const std::size_t taken =
        toolkit.toolkitOption != nullptr ? toolkit.toolkitOption(args, i, result) : 0;
    if (taken == 0) return UsageError("unknown option " + std::string(arg));
    if (i + taken > args.size()) return UsageError("option " + std::string(arg) + " needs a value");
    i += taken - 1;
  }
  return result;
}

void RequireDisplay(CommandLine& commandLine, bool displayNamed) {
  if (commandLine.exitCode || commandLine.displayGiven || displayNamed) return;
  commandLine = Finish(1,
                       "brenvik needs a desktop session (no display found); brenvik-load loads "
                       "from a terminal\n");
}

}  // namespace brenvik::app
