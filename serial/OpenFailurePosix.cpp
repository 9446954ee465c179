// Linux: why a device would not open, from errno, /proc and the device's owner.

#include "serial/OpenFailure.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

#include "serial/UsbAdaptersPosix.h"

namespace brenvik {
namespace {

namespace fs = std::filesystem;

// Debian gives serial devices to this group, and a fresh desktop user is not in it.
constexpr const char* kSerialGroup = "dialout";

// The name the user or group database has for `id`, or the number itself
// when it has none: getpwuid_r with passwd::pw_name, getgrgid_r with group::gr_name.
template <typename Id, typename Entry>
std::string NameOf(Id id, int (*lookUp)(Id, Entry*, char*, std::size_t, Entry**),
                   char* Entry::*name) {
  Entry entry{};
  Entry* found = nullptr;
  std::vector<char> buffer(4096);
  if (lookUp(id, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr) {
    return found->*name;
  }
  return std::to_string(id);
}

std::string GroupName(gid_t gid) { return NameOf(gid, ::getgrgid_r, &group::gr_name); }
std::string UserName(uid_t uid) { return NameOf(uid, ::getpwuid_r, &passwd::pw_name); }

std::string JoinGroup(const std::string& group) {
  return "add your user to the " + group + " group (sudo usermod -aG " + group +
         " $USER), then log out and in again";
}

std::string PermissionDenied(const std::string& path) {
  const std::string denied = path + ": permission denied; ";
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return denied + JoinGroup(kSerialGroup);
  // Joining the device's group helps only when that group may read and write
  // it; root's group is no group to join for that.
  const bool groupMayUse = (info.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
  const std::string group = GroupName(info.st_gid);
  if (groupMayUse && info.st_gid != 0) return denied + JoinGroup(group);
  char mode[8];
  std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(info.st_mode & 07777));
  return denied + "it belongs to " + UserName(info.st_uid) + ":" + group + " with mode " + mode +
         ", so ask an administrator for access";
}

bool IsNumber(const std::string& text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
  });
}

// The program's file name; its short name when the executable's link is not
// ours to read.
std::string ProgramName(const fs::path& process) {
  std::error_code error;
  const fs::path exe = fs::read_symlink(process / "exe", error);
  if (!error && !exe.filename().empty()) return exe.filename().string();
  std::ifstream comm(process / "comm");
  std::string name;
  std::getline(comm, name);
  return name.empty() ? "a program" : name;
}

// The programs that hold the character device at `path` open, found through
// /proc, each as "minicom (process 1234)"; empty when /proc tells of none
// (another user's processes stay hidden to a plain user).
std::vector<std::string> ProgramsHolding(const std::string& path) {
  struct stat device {};
  if (::stat(path.c_str(), &device) != 0 || !S_ISCHR(device.st_mode)) return {};
  std::vector<std::string> holders;
  std::error_code error;
  fs::directory_iterator process("/proc", error);
  for (; !error && process != fs::directory_iterator(); process.increment(error)) {
    const std::string pid = process->path().filename().string();
    if (!IsNumber(pid)) continue;
    std::error_code fdError;
    fs::directory_iterator fd(process->path() / "fd", fdError);
    for (; !fdError && fd != fs::directory_iterator(); fd.increment(fdError)) {
      struct stat held {};
      if (::stat(fd->path().c_str(), &held) == 0 && S_ISCHR(held.st_mode) &&
          held.st_rdev == device.st_rdev) {
        holders.push_back(ProgramName(process->path()) + " (process " + pid + ")");
        break;
      }
    }
  }
  return holders;
}

std::string InUse(const std::string& path) {
  const std::vector<std::string> holders = ProgramsHolding(path);
  if (holders.empty()) return path + ": in use by another program; close it and try again";
  std::string text = path + ": in use by ";
  for (std::size_t i = 0; i < holders.size(); ++i) {
    if (i > 0) text += ", ";
    text += holders[i];
  }
  return text +
         (holders.size() > 1 ? "; close those programs and try again"
                             : "; close that program and try again") +
         DesktopHolderAdvice(holders);
}

std::string NotSerial(const std::string& path) {
  struct stat info {};
  std::string kind;
  if (::stat(path.c_str(), &info) == 0) {
    if (S_ISREG(info.st_mode)) kind = " (a plain file)";
    if (S_ISDIR(info.st_mode)) kind = " (a directory)";
  }
  return path + ": not a serial device" + kind + "; choose the port the device is on";
}

}  // namespace

std::string OpenFailureCause(const std::string& path, int error) {
  switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
      return NoSuchDeviceCause(path, AdaptersWithoutTty());
    case EACCES:
    case EPERM:
      return PermissionDenied(path);
    case EBUSY:
    case EWOULDBLOCK:
      return InUse(path);
    case ENOTTY:
    case EISDIR:
      return NotSerial(path);
    default:
      return path + ": " + SystemMessage(error);
  }
}

std::string SystemMessage(int error) { return std::generic_category().message(error); }

}  // namespace brenvik
