#include "platform/windows_drive_port.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/pass_through.h"
#include "platform/windows_api.h"

namespace {

// Releases the interface set however the listing ends.
struct DeviceInfoSetGuard {
  HDEVINFO set;
  ~DeviceInfoSetGuard() { Win().SetupDiDestroyDeviceInfoList(set); }
};

CommandOutcome::Failure FailureOf(DWORD error) {
  switch (error) {
    case ERROR_SEM_TIMEOUT:
    case WAIT_TIMEOUT:
    case ERROR_TIMEOUT:
      return CommandOutcome::kTimedOut;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_UNIT:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_NO_SUCH_DEVICE:
    case ERROR_DEVICE_NOT_CONNECTED:
      return CommandOutcome::kNoSuchDevice;
    default:
      return CommandOutcome::kSystemError;
  }
}

// The outcome of a failed call: the system's own words for its error,
// without the line end it adds.
CommandOutcome FromLastError() {
  const DWORD error = Win().GetLastError();
  char text[sizeof(CommandOutcome().message)] = {0};
  DWORD length = Win().FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                                      text, sizeof(text), nullptr);
  if (length >= sizeof(text)) length = sizeof(text) - 1;
  while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r' || text[length - 1] == ' ' ||
                        text[length - 1] == '.'))
    --length;
  text[length] = '\0';
  if (length == 0) std::snprintf(text, sizeof(text), "Windows error %lu", static_cast<unsigned long>(error));
  return CommandOutcome::NotCarried(FailureOf(error), static_cast<long>(error), text);
}

const char* const kStorageQuerySource = "storage property query";
// Room for a descriptor with its strings; drives' are well under it.
const DWORD kPropertyRoom = 1024;
// Larger masks than a page would be a driver's mistake; they are not honoured.
const long long kLargestAlignmentMask = 0xFFF;

// Asks one storage property; the bytes that came back, none on failure.
std::vector<BYTE> QueryProperty(HANDLE device, DWORD property) {
  StoragePropertyQuery query;
  std::memset(&query, 0, sizeof(query));
  query.PropertyId = property;
  query.QueryType = kPropertyStandardQuery;
  std::vector<BYTE> answer(kPropertyRoom, 0);
  DWORD returned = 0;
  if (!Win().DeviceIoControl(device, kIoctlStorageQueryProperty, &query, static_cast<DWORD>(sizeof(query)),
                             answer.data(), kPropertyRoom, &returned, nullptr))
    return std::vector<BYTE>();
  answer.resize(returned < kPropertyRoom ? returned : kPropertyRoom);
  return answer;
}

// The mask to keep a buffer to; 0 when none is to be kept. Rounding an
// address up by it, (p + mask) & ~mask, clears its bits without going back
// before p or more than mask past it, whatever bits it has.
std::uintptr_t BufferMask(long long told) {
  if (told <= 0 || told > kLargestAlignmentMask) return 0;
  return static_cast<std::uintptr_t>(told);
}

}  // namespace

std::vector<std::string> WindowsDrivePort::ListDrives() {
  std::vector<std::string> paths;
  const DWORD flags = DIGCF_PRESENT | DIGCF_PROFILE | DIGCF_DEVICEINTERFACE;
  HDEVINFO set = Win().SetupDiGetClassDevsA(&kGuidDevinterfaceCdrom, nullptr, nullptr, flags);
  if (set == INVALID_HANDLE_VALUE) return paths;
  DeviceInfoSetGuard guard = {set};

  const DWORD fixedPart = static_cast<DWORD>(sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A));
  SP_DEVICE_INTERFACE_DATA interfaceData;
  std::memset(&interfaceData, 0, sizeof(interfaceData));
  interfaceData.cbSize = sizeof(interfaceData);
  for (DWORD member = 0;; ++member) {
    if (!Win().SetupDiEnumDeviceInterfaces(set, nullptr, &kGuidDevinterfaceCdrom, member, &interfaceData)) break;

    DWORD required = 0;
    Win().SetupDiGetDeviceInterfaceDetailA(set, &interfaceData, nullptr, 0, &required, nullptr);
    // A size that cannot even hold the fixed part means the query failed.
    if (required < fixedPart) continue;
    std::vector<char> buffer(required, '\0');
    PSP_DEVICE_INTERFACE_DETAIL_DATA_A detail = reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_A>(buffer.data());
    detail->cbSize = fixedPart;
    SP_DEVINFO_DATA infoData;
    std::memset(&infoData, 0, sizeof(infoData));
    infoData.cbSize = sizeof(infoData);
    Win().SetupDiGetDeviceInterfaceDetailA(set, &interfaceData, detail, required, nullptr, &infoData);
    // The path must end inside the buffer, whatever the call left there.
    buffer[required - 1] = '\0';
    paths.push_back(detail->DevicePath);
  }
  return paths;
}

OpenedDrive WindowsDrivePort::Open(const std::string& path) {
  OpenedDrive opened;
  opened.handle = Win().CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
  opened.failure = CommandOutcome::kCarried;
  opened.accessDenied = false;
  opened.systemError = 0;
  if (opened.handle == INVALID_HANDLE_VALUE) {
    opened.handle = kNoDrive;
    DWORD error = Win().GetLastError();
    opened.failure = FailureOf(error);
    opened.accessDenied = error == ERROR_ACCESS_DENIED;
    opened.systemError = static_cast<long>(error);
  } else {
    m_adapters.erase(opened.handle);
    Adapter(opened.handle);
  }
  return opened;
}

CommandOutcome WindowsDrivePort::Execute(DriveHandle drive, const DriveCommand& command) {
  if (MalformedCommand(command)) return CommandOutcome::NotCarried(CommandOutcome::kNotSent, 0, "malformed command");
  ScsiPassThroughRecord record;
  FillPassThroughRecord(&record, command);

  // A buffer the adapter cannot take where it lies is carried through one
  // of ours that it can: the system refuses a misaligned one outright.
  const std::uintptr_t mask = BufferMask(Adapter(drive).alignmentMask);
  std::vector<BYTE> room;
  BYTE* aligned = nullptr;
  if (mask != 0 && command.buffer != nullptr && command.length > 0 &&
      (reinterpret_cast<std::uintptr_t>(command.buffer) & mask) != 0) {
    room.resize(command.length + mask);
    const std::uintptr_t at = (reinterpret_cast<std::uintptr_t>(room.data()) + mask) & ~mask;
    aligned = room.data() + (at - reinterpret_cast<std::uintptr_t>(room.data()));
    if (command.direction == DriveCommand::kToDrive) std::memcpy(aligned, command.buffer, command.length);
    record.Header.DataBuffer = aligned;
  }

  // The record is both the input and the output: the system writes the
  // status, the sense bytes and the length moved back into it.
  DWORD returned = 0;
  if (!Win().DeviceIoControl(drive, kIoctlScsiPassThroughDirect, &record, static_cast<DWORD>(sizeof(record)),
                             &record, static_cast<DWORD>(sizeof(record)), &returned, nullptr)) {
    return FromLastError();
  }
  std::size_t senseLength = record.Header.SenseInfoLength;
  if (senseLength > command.senseRoom) senseLength = command.senseRoom;
  ULONG moved = record.Header.DataTransferLength;
  if (moved > command.length) moved = static_cast<ULONG>(command.length);
  if (aligned != nullptr && command.direction == DriveCommand::kFromDrive) std::memcpy(command.buffer, aligned, moved);
  return CommandOutcome::FromStatus(record.Header.ScsiStatus, record.SenseBuffer, senseLength,
                                    static_cast<long>(moved));
}

void WindowsDrivePort::Close(DriveHandle drive) {
  if (drive == kNoDrive) return;
  m_adapters.erase(drive);
  Win().CloseHandle(drive);
}

const DriveConnection& WindowsDrivePort::Adapter(DriveHandle drive) {
  static const DriveConnection kUntold;
  if (drive == kNoDrive) return kUntold;
  auto found = m_adapters.find(drive);
  if (found != m_adapters.end()) return found->second;
  DriveConnection& adapter = m_adapters[drive];
  const std::vector<BYTE> answer = QueryProperty(drive, kStorageAdapterProperty);
  if (DecodeAdapterDescriptor(answer.data(), answer.size(), &adapter)) adapter.source = kStorageQuerySource;
  return adapter;
}

DriveConnection WindowsDrivePort::Connection(DriveHandle drive, const std::string&) {
  DriveConnection connection;
  if (drive == kNoDrive) return connection;
  const std::vector<BYTE> device = QueryProperty(drive, kStorageDeviceProperty);
  const bool deviceTold = DecodeDeviceDescriptor(device.data(), device.size(), &connection);
  const DriveConnection& adapter = Adapter(drive);
  connection.adapterBus = adapter.adapterBus;
  connection.maxTransfer = adapter.maxTransfer;
  connection.alignmentMask = adapter.alignmentMask;
  if (deviceTold || adapter.Told()) connection.source = kStorageQuerySource;
  return connection;
}

namespace {

bool DeviceNumber(HANDLE device, StorageDeviceNumber* number) {
  DWORD returned = 0;
  return Win().DeviceIoControl(device, kIoctlStorageGetDeviceNumber, nullptr, 0, number,
                               static_cast<DWORD>(sizeof(*number)), &returned, nullptr) != FALSE &&
         returned >= sizeof(*number);
}

}  // namespace

std::string WindowsDrivePort::DriveLetter(DriveHandle drive) {
  StorageDeviceNumber wanted;
  if (drive == kNoDrive || !DeviceNumber(drive, &wanted)) return std::string();
  const DWORD letters = Win().GetLogicalDrives();
  for (int i = 0; i < 26; ++i) {
    if ((letters & (1UL << i)) == 0) continue;
    char root[] = "A:\\";
    root[0] = static_cast<char>('A' + i);
    if (Win().GetDriveTypeA(root) != kDriveCdrom) continue;
    char device[] = "\\\\.\\A:";
    device[4] = root[0];
    // No access asked: the device number needs none, and a drive in use stays usable.
    HANDLE volume = Win().CreateFileA(device, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (volume == INVALID_HANDLE_VALUE) continue;
    StorageDeviceNumber number;
    const bool same = DeviceNumber(volume, &number) && number.DeviceType == wanted.DeviceType &&
                      number.DeviceNumber == wanted.DeviceNumber;
    Win().CloseHandle(volume);
    if (same) return std::string(root, 2);
  }
  return std::string();
}

std::string WindowsDrivePort::NoDrivesAdvice() const {
  return "no CD-ROM device interface is present in the Setup API: no CD/DVD drive is attached or its driver is "
         "not loaded, or this is a virtual machine without a CD device";
}
