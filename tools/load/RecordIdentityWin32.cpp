#include "tools/load/RecordIdentity.h"

#include <windows.h>
// After windows.h, which it needs.
#include <bcrypt.h>

#include <random>

#include "base/Utf8Win32.h"

namespace brenvik::load {

std::string RandomUuid() {
  std::array<unsigned char, 16> bytes{};
  if (BCryptGenRandom(nullptr, bytes.data(), static_cast<ULONG>(bytes.size()),
                      BCRYPT_USE_SYSTEM_PREFERRED_RNG) < 0) {
    std::random_device random;
    for (unsigned char& byte : bytes) byte = static_cast<unsigned char>(random());
  }
  return UuidV4Text(bytes);
}

std::string HostName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = L"";
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  if (!GetComputerNameW(name, &size)) return {};
  return Utf8FromWide(std::wstring_view(name, size));
}

}  // namespace brenvik::load
