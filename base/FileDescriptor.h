#pragma once

namespace brenvik {

// Owns one open file descriptor and closes it when it goes: a serial port, a
// pseudo-terminal, a file being read. On Windows it is a descriptor of the C
// runtime (_wopen), never a Windows handle. Movable, not copyable; -1 is
// "none".
class FileDescriptor {
 public:
  FileDescriptor() = default;
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() { Reset(); }
  FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.Release()) {}
  FileDescriptor& operator=(FileDescriptor&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;

  int Get() const { return fd_; }
  bool IsOpen() const { return fd_ >= 0; }
  // Gives the descriptor up without closing it.
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  // Closes the descriptor held, if any, and holds `fd` instead.
  void Reset(int fd = -1);

 private:
  int fd_ = -1;
};

}  // namespace brenvik
