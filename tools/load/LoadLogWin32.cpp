#include "tools/load/LoadLog.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <utility>

#include "base/Utf8Win32.h"
#include "download/WindowsErrorWin32.h"

namespace brenvik::load {

std::string LocalTimeIso8601(std::time_t when) {
  std::tm local{};
  if (::localtime_s(&local, &when) != 0) return {};
  // The zone's offset is what the local time reads more than UTC; the
  // runtime's own conversion back, so the offset agrees with the time.
  std::tm copy = local;
  const std::time_t asIfUtc = ::_mkgmtime(&copy);
  if (asIfUtc == -1) return {};
  return FormatIso8601(local, static_cast<long>(asIfUtc - when));
}

Result<> LoadLog::Open(const std::string& path) {
  // Append-only access: every write goes to the end of the file as it is
  // then, in one piece, whoever else appends to it.
  const HANDLE handle = CreateFileW(WideFromUtf8(path).c_str(), FILE_APPEND_DATA | SYNCHRONIZE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  const std::string what = "cannot open the log " + path + " for appending";
  if (handle == INVALID_HANDLE_VALUE) return WindowsError(what, GetLastError());
  FileDescriptor fd(::_open_osfhandle(reinterpret_cast<std::intptr_t>(handle), _O_APPEND));
  if (!fd.IsOpen()) {
    CloseHandle(handle);
    return Error{what + ": out of file descriptors"};
  }
  fd_ = std::move(fd);
  path_ = path;
  return {};
}

Result<> LoadLog::Append(const LoadRecord& record) {
  const std::string line = RecordLine(record);
  const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(fd_.Get()));
  // One write for the line; a short one is followed by the rest, so the line
  // ends whole or the write that fails says why.
  std::size_t done = 0;
  while (done < line.size()) {
    DWORD written = 0;
    if (!WriteFile(handle, line.data() + done, static_cast<DWORD>(line.size() - done), &written,
                   nullptr)) {
      return WindowsError("cannot write to the log " + path_, GetLastError());
    }
    if (written == 0) return Error{"cannot write to the log " + path_ + ": nothing was written"};
    done += written;
  }
  return {};
}

}  // namespace brenvik::load
