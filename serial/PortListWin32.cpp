// Windows: the COM ports present, through SetupAPI and the configuration
// manager.

#include "serial/PortList.h"

#include <windows.h>
// clang-format off
#include <cfgmgr32.h>
#include <devguid.h>
#include <setupapi.h>
#include <winioctl.h>
// clang-format on

#include <cctype>
#include <cwctype>
#include <memory>
#include <optional>
#include <string_view>
#include <type_traits>

#include "serial/OpenFailure.h"

namespace brenvik {
namespace {

struct DeviceSetDeleter {
  void operator()(HDEVINFO set) const { ::SetupDiDestroyDeviceInfoList(set); }
};
using OwnedDeviceSet = std::unique_ptr<std::remove_pointer_t<HDEVINFO>, DeviceSetDeleter>;

std::string Utf8(const wchar_t* text) {
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return {};
  std::string converted(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text, -1, converted.data(), size, nullptr, nullptr);
  converted.pop_back();  // the terminator
  return converted;
}

// A text property of the device; the first string of a list (hardware IDs).
std::string RegistryText(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property) {
  wchar_t text[512] = {};
  if (::SetupDiGetDeviceRegistryPropertyW(set, &device, property, nullptr,
                                          reinterpret_cast<BYTE*>(text),
                                          sizeof text - 2 * sizeof(wchar_t), nullptr) == 0) {
    return {};
  }
  return Utf8(text);
}

// Whether the device is a 16550-compatible port of the PC's own, by its
// hardware and compatible IDs ("ACPI\PNP0501", "*PNP0501"); USB adapters
// name their bus and maker instead.
bool IsPnp0501(HDEVINFO set, SP_DEVINFO_DATA& device) {
  for (const DWORD property : {SPDRP_HARDWAREID, SPDRP_COMPATIBLEIDS}) {
    DWORD size = 0;
    ::SetupDiGetDeviceRegistryPropertyW(set, &device, property, nullptr, nullptr, 0, &size);
    if (size == 0) continue;
    // A list of strings, each ended by a zero; read as one text of them all.
    std::wstring ids(size / sizeof(wchar_t) + 1, L'\0');
    if (::SetupDiGetDeviceRegistryPropertyW(set, &device, property, nullptr,
                                            reinterpret_cast<BYTE*>(ids.data()), size,
                                            nullptr) == 0) {
      continue;
    }
    for (wchar_t& c : ids) c = c == L'\0' ? L'\n' : static_cast<wchar_t>(std::towupper(c));
    if (ids.find(L"PNP0501") != std::wstring::npos) return true;
  }
  return false;
}

// The COM name the port's driver took ("COM3"), from the device's own key.
std::string ComName(HDEVINFO set, SP_DEVINFO_DATA& device) {
  HKEY key = ::SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
  if (key == INVALID_HANDLE_VALUE) return {};
  wchar_t name[64] = {};
  DWORD size = sizeof name - sizeof(wchar_t);
  DWORD type = 0;
  const LSTATUS read =
      ::RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(name), &size);
  ::RegCloseKey(key);
  return read == ERROR_SUCCESS && type == REG_SZ ? Utf8(name) : std::string();
}

// The FTDI driver keeps its latency timer beside PortName in the device's key.
std::optional<int> LatencyTimerOfDevice(HDEVINFO set, SP_DEVINFO_DATA& device) {
  HKEY key = ::SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
  if (key == INVALID_HANDLE_VALUE) return std::nullopt;
  const std::optional<int> ms = LatencyTimerFromParameters([key](const std::string& name) {
    const std::wstring wide(name.begin(), name.end());
    DWORD value = 0;
    DWORD size = sizeof value;
    DWORD type = 0;
    const LSTATUS read = ::RegQueryValueExW(key, wide.c_str(), nullptr, &type,
                                            reinterpret_cast<BYTE*>(&value), &size);
    return read == ERROR_SUCCESS && type == REG_DWORD ? std::optional<uint32_t>(value)
                                                      : std::nullopt;
  });
  ::RegCloseKey(key);
  return ms;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// The USB device the port belongs to, as its instance ID
// ("USB\VID_0403&PID_6001\A10K3XYZ"): the port itself, or a parent when the
// port is a driver's child (FTDI's) or an interface of a composite device.
std::string UsbInstanceId(DEVINST port) {
  DEVINST node = port;
  for (int level = 0; level < 3; ++level) {
    wchar_t id[MAX_DEVICE_ID_LEN + 1] = {};
    if (::CM_Get_Device_IDW(node, id, MAX_DEVICE_ID_LEN, 0) != CR_SUCCESS) return {};
    const std::string text = Upper(Utf8(id));
    if (StartsWith(text, "USB\\") && text.find("&MI_") == std::string::npos) return Utf8(id);
    DEVINST parent = 0;
    if (::CM_Get_Parent(&parent, node, 0) != CR_SUCCESS) return {};
    node = parent;
  }
  return {};
}

int HexDigit(char c) {
  const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (upper >= '0' && upper <= '9') return upper - '0';
  if (upper >= 'A' && upper <= 'F') return upper - 'A' + 10;
  return -1;
}

// The four hex digits behind `key` ("VID_") in an ID; none when absent.
std::optional<uint16_t> HexAfter(const std::string& id, const char* key) {
  const std::size_t at = Upper(id).find(key);
  if (at == std::string::npos || at + 8 > id.size()) return std::nullopt;
  unsigned value = 0;
  for (std::size_t i = at + 4; i < at + 8; ++i) {
    const int digit = HexDigit(id[i]);
    if (digit < 0) return std::nullopt;
    value = value * 16 + static_cast<unsigned>(digit);
  }
  return static_cast<uint16_t>(value);
}

// The serial number a USB instance ID ends in; Windows makes up an ID with
// "&" in it for a device that has none.
std::string SerialNumberOf(const std::string& usbInstanceId) {
  const std::size_t last = usbInstanceId.rfind('\\');
  if (last == std::string::npos) return {};
  const std::string tail = usbInstanceId.substr(last + 1);
  return tail.find('&') == std::string::npos ? tail : std::string();
}

// "USB Serial Port (COM3)" without its " (COM3)".
std::string WithoutComName(std::string friendly, const std::string& comName) {
  const std::string suffix = " (" + comName + ")";
  if (friendly.size() > suffix.size() &&
      friendly.compare(friendly.size() - suffix.size(), suffix.size(), suffix) == 0) {
    friendly.resize(friendly.size() - suffix.size());
  }
  return friendly;
}

PortInfo DescribePort(HDEVINFO set, SP_DEVINFO_DATA& device, const std::string& comName) {
  PortInfo info;
  info.path = comName;
  info.description = WithoutComName(RegistryText(set, device, SPDRP_FRIENDLYNAME), comName);
  if (info.description.empty()) info.description = RegistryText(set, device, SPDRP_DEVICEDESC);
  info.manufacturer = RegistryText(set, device, SPDRP_MFG);
  info.driver = RegistryText(set, device, SPDRP_SERVICE);
  info.builtIn = IsPnp0501(set, device);
  info.latencyTimerMs = LatencyTimerOfDevice(set, device);
  const std::string usbId = UsbInstanceId(device.DevInst);
  if (!usbId.empty()) {
    info.serialNumber = SerialNumberOf(usbId);
    info.usbVendorId = HexAfter(usbId, "VID_");
    info.usbProductId = HexAfter(usbId, "PID_");
  }
  return info;
}

}  // namespace

std::optional<int> LatencyTimerOf(const std::string& devicePath,
                                  const std::string& /*usbSerialFolder*/) {
  const Result<std::vector<PortInfo>> listed = ListPorts();
  if (!listed) return std::nullopt;
  const std::string comName = Upper(DisplayPortName(devicePath));
  for (const PortInfo& port : *listed) {
    if (Upper(port.path) == comName) return port.latencyTimerMs;
  }
  return std::nullopt;
}

// Ports whose drivers register the COM port interface, and those of the Ports
// class that do not (some virtual ports); a port found both ways is listed once.
Result<std::vector<PortInfo>> ListPorts(const std::string& /*byIdFolder*/) {
  const struct {
    const GUID* guid;
    DWORD flags;
  } sources[] = {{&GUID_DEVINTERFACE_COMPORT, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE},
                 {&GUID_DEVCLASS_PORTS, DIGCF_PRESENT}};
  std::vector<PortInfo> ports;
  for (const auto& source : sources) {
    HDEVINFO found = ::SetupDiGetClassDevsW(source.guid, nullptr, nullptr, source.flags);
    if (found == INVALID_HANDLE_VALUE) {
      return Error{"cannot list the serial ports: " +
                   SystemMessage(static_cast<int>(::GetLastError()))};
    }
    const OwnedDeviceSet set(found);
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD index = 0; ::SetupDiEnumDeviceInfo(set.get(), index, &device) != 0; ++index) {
      const std::string comName = ComName(set.get(), device);
      // The Ports class holds the printer ports as well.
      if (!StartsWith(Upper(comName), "COM")) continue;
      bool listed = false;
      for (const PortInfo& port : ports) listed = listed || port.path == comName;
      if (!listed) ports.push_back(DescribePort(set.get(), device, comName));
    }
  }
  SortPorts(ports);
  return ports;
}

}  // namespace brenvik
