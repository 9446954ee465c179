#pragma once

namespace brenvik {

// The console channel: standard output for the frame trace and the entry
// count, standard error for reports. Nothing here ever waits for a key.

// Formatted text on standard output.
void ConsolePrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// One raw byte on standard output, unchanged (STX and ETX of the trace).
void ConsolePutch(int byte);

// "text: <system error text for errnum>\n" on standard error, as perror does.
void ConsoleReportError(const char* text, int errnum);

// One line on standard error.
void ConsoleWarn(const char* line);

}  // namespace brenvik
