#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <windows.h>

#include <cerrno>

#include "base/FileDescriptor.h"
#include "base/Utf8Win32.h"
#include "files/DataFileOpen.h"

namespace brenvik {

Result<FilePointer> OpenDataFile(const std::string& path, ConsoleChannel& console) {
  const std::wstring widePath = WideFromUtf8(path);
  // Binary: in text mode the C runtime ends the file at a 0x1A byte.
  FileDescriptor fd(::_wopen(widePath.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT));
  if (!fd.IsOpen()) {
    const int errnum = errno;
    // A directory cannot be opened at all; the C runtime calls that EACCES.
    const DWORD attributes = ::GetFileAttributesW(widePath.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      return NotARegularFile(path);
    }
    return DataFileOpenError(path, errnum, console);
  }
  struct _stat64 status {};
  if (::_fstat64(fd.Get(), &status) != 0 || (status.st_mode & _S_IFMT) != _S_IFREG) {
    return NotARegularFile(path);
  }
  std::FILE* file = ::_fdopen(fd.Get(), "rb");
  if (file == nullptr) return DataFileOpenError(path, errno, console);
  fd.Release();  // the stream owns it from here on
  return FilePointer(file);
}

}  // namespace brenvik
