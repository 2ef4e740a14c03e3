#include "tests/support/standin.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/aspi.h"
#include "tests/support/pe_version.h"

namespace {
StandInPlatform* g_active = nullptr;
const HMODULE kAspiModule = reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0xA5B1));

DWORD CopyText(const std::string& text, char* buffer, DWORD size) {
  if (buffer == nullptr || size == 0) return 0;
  DWORD n = static_cast<DWORD>(std::min<size_t>(text.size(), size - 1));
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
  return n;
}

void PutDword(std::vector<BYTE>& bytes, size_t at, DWORD value) {
  for (size_t i = 0; i < 4; ++i) bytes[at + i] = static_cast<BYTE>(value >> (8 * i));
}

// A device descriptor as the system builds it: the fixed part, then each
// string with its NUL; an absent (empty) serial number has offset 0.
std::vector<BYTE> DeviceDescriptor(const driveemu::EmulatedUnit& unit) {
  if (!unit.deviceDescriptor.empty()) return unit.deviceDescriptor;
  std::string strings[4] = {unit.storageVendor, unit.storageProduct, unit.storageRevision, unit.storageSerial};
  if (!unit.storageStringsSet && unit.inquiry.size() >= 36) {
    const char* inquiry = reinterpret_cast<const char*>(unit.inquiry.data());
    strings[0].assign(inquiry + 8, 8);
    strings[1].assign(inquiry + 16, 16);
    strings[2].assign(inquiry + 32, 4);
  }
  std::vector<BYTE> bytes(sizeof(StorageDeviceDescriptor), 0);
  const size_t offsets[4] = {offsetof(StorageDeviceDescriptor, VendorIdOffset),
                             offsetof(StorageDeviceDescriptor, ProductIdOffset),
                             offsetof(StorageDeviceDescriptor, ProductRevisionOffset),
                             offsetof(StorageDeviceDescriptor, SerialNumberOffset)};
  for (size_t i = 0; i < 4; ++i) {
    if (strings[i].empty()) continue;
    PutDword(bytes, offsets[i], static_cast<DWORD>(bytes.size()));
    bytes.insert(bytes.end(), strings[i].begin(), strings[i].end());
    bytes.push_back(0);
  }
  PutDword(bytes, offsetof(StorageDeviceDescriptor, Version), sizeof(StorageDeviceDescriptor));
  PutDword(bytes, offsetof(StorageDeviceDescriptor, Size), static_cast<DWORD>(bytes.size()));
  bytes[offsetof(StorageDeviceDescriptor, DeviceType)] = unit.deviceType;
  bytes[offsetof(StorageDeviceDescriptor, RemovableMedia)] = 1;
  PutDword(bytes, offsetof(StorageDeviceDescriptor, BusType), unit.storageBus);
  return bytes;
}

std::vector<BYTE> AdapterDescriptor(const driveemu::EmulatedUnit& unit) {
  if (!unit.adapterDescriptor.empty()) return unit.adapterDescriptor;
  std::vector<BYTE> bytes(32, 0);
  PutDword(bytes, offsetof(StorageAdapterDescriptor, Version), 32);
  PutDword(bytes, offsetof(StorageAdapterDescriptor, Size), 32);
  PutDword(bytes, offsetof(StorageAdapterDescriptor, MaximumTransferLength), unit.maxTransfer);
  PutDword(bytes, offsetof(StorageAdapterDescriptor, MaximumPhysicalPages), unit.maxTransfer / 4096 + 1);
  PutDword(bytes, offsetof(StorageAdapterDescriptor, AlignmentMask), unit.alignmentMask);
  bytes[offsetof(StorageAdapterDescriptor, BusType)] = unit.adapterBus;
  return bytes;
}

std::string Hex(uintptr_t value) {
  char buffer[32];
  std::snprintf(buffer, sizeof(buffer), "%llX", static_cast<unsigned long long>(value));
  return buffer;
}
}  // namespace

StandInPlatform::StandInPlatform(const driveemu::DriveProfile& profile) : m_profile(profile) {
  std::memset(&version, 0, sizeof(version));
  version.dwOSVersionInfoSize = sizeof(version);
  version.dwMajorVersion = 5;
  version.dwMinorVersion = 1;
  version.dwPlatformId = VER_PLATFORM_WIN32_NT;
  m_previous = SetWindowsApi(this);
  m_previousPort = SetDrivePort(&m_port);
  g_active = this;
}

StandInPlatform::~StandInPlatform() {
  SetWindowsApi(m_previous);
  SetDrivePort(m_previousPort);
  if (g_active == this) g_active = nullptr;
}

void StandInPlatform::Record(const std::string& name, const std::string& detail) { calls.push_back({name, detail}); }

int StandInPlatform::CountCalls(const std::string& name) const {
  return static_cast<int>(std::count_if(calls.begin(), calls.end(), [&](const Call& c) { return c.name == name; }));
}

int StandInPlatform::CountAspiLog(const std::string& prefix) const {
  return static_cast<int>(std::count_if(aspiLog.begin(), aspiLog.end(), [&](const std::string& line) {
    return line.compare(0, prefix.size(), prefix) == 0;
  }));
}

std::string StandInPlatform::InterfacePath(size_t n) {
  return "\\\\?\\ide#cdrom#emulated#" + std::to_string(n) + "#{53f56308-b6bf-11d0-94f2-00a0c91efb8b}";
}

std::vector<const driveemu::EmulatedUnit*> StandInPlatform::Interfaces() const {
  std::vector<const driveemu::EmulatedUnit*> list;
  for (const driveemu::EmulatedUnit& unit : m_profile.units)
    if (unit.deviceType == 5) list.push_back(&unit);
  return list;
}

HANDLE StandInPlatform::DriveHandle(size_t interfaceIndex) const {
  for (const auto& entry : m_driveIndex)
    if (entry.second == interfaceIndex) return entry.first;
  return INVALID_HANDLE_VALUE;
}

size_t StandInPlatform::OpenHandleCount() const {
  size_t open = 0;
  for (const auto& entry : m_driveIndex)
    if (closeCounts.count(entry.first) == 0) ++open;
  for (const auto& entry : m_events)
    if (closeCounts.count(entry.first) == 0) ++open;
  for (HANDLE file : m_files)
    if (closeCounts.count(file) == 0) ++open;
  return open;
}

// --- Kernel ------------------------------------------------------------------

BOOL StandInPlatform::GetVersionExA(OSVERSIONINFOA* info) {
  Record("GetVersionExA");
  if (versionCallFails) return FALSE;
  *info = version;
  return TRUE;
}

UINT StandInPlatform::SetErrorMode(UINT mode) {
  Record("SetErrorMode", Hex(mode));
  UINT previous = m_errorMode;
  m_errorMode = mode;
  return previous;
}

HMODULE StandInPlatform::LoadLibraryA(const char* name) {
  Record("LoadLibraryA", name);
  if (!aspiLibraryPresent || std::string(name) != "WNASPI32") {
    m_lastError = 126;  // module not found
    return nullptr;
  }
  m_library = kAspiModule;
  if (!m_engine) m_engine.reset(new driveemu::AspiEngine(m_profile, *this));
  return m_library;
}

DWORD ASPI_CALL StandInPlatform::GetSupportTrampoline() { return g_active->m_engine->GetSupportInfo(); }

DWORD ASPI_CALL StandInPlatform::SendCommandTrampoline(void* srb) {
  StandInPlatform* self = g_active;
  const BYTE* bytes = static_cast<const BYTE*>(srb);
  if (static_cast<SRB_Header*>(srb)->SRB_Cmd == SC_EXEC_SCSI_CMD)
    self->aspiBlocks.push_back(std::vector<BYTE>(bytes, bytes + sizeof(SRB_ExecSCSICmd)));
  if (static_cast<SRB_Header*>(srb)->SRB_Cmd == SC_HA_INQUIRY)
    self->aspiInquiries.push_back(std::vector<BYTE>(bytes, bytes + sizeof(SRB_HAInquiry)));
  self->Record("SendASPI32Command");
  return self->m_engine->SendCommand(srb);
}

FARPROC StandInPlatform::GetProcAddress(HMODULE module, const char* name) {
  Record("GetProcAddress", name);
  if (module != kAspiModule) return nullptr;
  std::string entry(name);
  if (entry == "GetASPI32SupportInfo" && m_profile.hasGetSupportInfo)
    return EntryPointCast<FARPROC>(&GetSupportTrampoline);
  if (entry == "SendASPI32Command" && m_profile.hasSendCommand)
    return EntryPointCast<FARPROC>(&SendCommandTrampoline);
  return nullptr;
}

BOOL StandInPlatform::FreeLibrary(HMODULE module) {
  Record("FreeLibrary");
  return module == m_library && module != nullptr;
}

HANDLE StandInPlatform::CreateFileA(const char* path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES,
                                    DWORD disposition, DWORD flags, HANDLE) {
  std::string p(path != nullptr ? path : "");
  Record("CreateFileA", p + " access=" + Hex(access) + " share=" + Hex(share) + " disposition=" +
                            Hex(disposition) + " flags=" + Hex(flags));
  std::vector<const driveemu::EmulatedUnit*> list = Interfaces();
  for (size_t i = 0; i < list.size(); ++i) {
    if (p != InterfacePath(i)) continue;
    if (list[i]->openError != 0) {
      m_lastError = list[i]->openError;
      return INVALID_HANDLE_VALUE;
    }
    HANDLE handle = reinterpret_cast<HANDLE>(m_nextHandle++);
    m_openDrives[handle] = list[i];
    m_driveIndex[handle] = i;
    m_lastError = 0;
    return handle;
  }
  for (size_t i = 0; i < list.size(); ++i) {
    if (list[i]->driveLetter == 0 || p != std::string("\\\\.\\") + list[i]->driveLetter + ":") continue;
    HANDLE handle = reinterpret_cast<HANDLE>(m_nextHandle++);
    m_letterHandles[handle] = i;
    m_lastError = 0;
    return handle;
  }
  auto error = fileOpenErrors.find(p);
  if (error != fileOpenErrors.end()) {
    m_lastError = error->second;
    return INVALID_HANDLE_VALUE;
  }
  if (std::find(existingFiles.begin(), existingFiles.end(), p) != existingFiles.end() ||
      versionBlocks.count(p) != 0 || peFiles.count(p) != 0) {
    HANDLE handle = reinterpret_cast<HANDLE>(m_nextHandle++);
    m_files.insert(handle);
    m_lastError = 0;
    return handle;
  }
  m_lastError = ERROR_FILE_NOT_FOUND;
  return INVALID_HANDLE_VALUE;
}

DWORD StandInPlatform::GetLastError() { return m_lastError; }

BOOL StandInPlatform::CloseHandle(HANDLE handle) {
  Record("CloseHandle", Hex(reinterpret_cast<uintptr_t>(handle)));
  ++closeCounts[handle];
  return m_openDrives.count(handle) != 0 || m_events.count(handle) != 0 || m_files.count(handle) != 0 ||
         m_letterHandles.count(handle) != 0;
}

DWORD StandInPlatform::GetLogicalDrives() {
  Record("GetLogicalDrives", "");
  DWORD letters = 1UL << ('C' - 'A');
  for (const driveemu::EmulatedUnit* unit : Interfaces())
    if (unit->driveLetter >= 'A' && unit->driveLetter <= 'Z') letters |= 1UL << (unit->driveLetter - 'A');
  return letters;
}

UINT StandInPlatform::GetDriveTypeA(const char* root) {
  std::string r(root != nullptr ? root : "");
  Record("GetDriveTypeA", r);
  if (r == "C:\\") return 3;  // DRIVE_FIXED
  for (const driveemu::EmulatedUnit* unit : Interfaces())
    if (unit->driveLetter != 0 && r == std::string(1, unit->driveLetter) + ":\\") return kDriveCdrom;
  return 1;  // DRIVE_NO_ROOT_DIR
}

BOOL StandInPlatform::DeviceIoControl(HANDLE device, DWORD code, void* in, DWORD inSize, void* out, DWORD outSize,
                                      DWORD* returned, LPOVERLAPPED) {
  Record("DeviceIoControl", Hex(code));
  if (code == kIoctlStorageGetDeviceNumber) {
    // Drives and their letters alike: a CD-ROM device (2) numbered by its interface.
    auto drive = m_driveIndex.find(device);
    auto letter = m_letterHandles.find(device);
    const bool open = (drive != m_driveIndex.end() || letter != m_letterHandles.end()) && closeCounts.count(device) == 0;
    if (!open || out == nullptr || outSize < sizeof(StorageDeviceNumber)) {
      m_lastError = 87;
      return FALSE;
    }
    StorageDeviceNumber number = {2, static_cast<DWORD>(drive != m_driveIndex.end() ? drive->second : letter->second),
                                  0xFFFFFFFFu};
    std::memcpy(out, &number, sizeof number);
    if (returned != nullptr) *returned = sizeof number;
    return TRUE;
  }
  auto found = m_openDrives.find(device);
  if (code == kIoctlStorageQueryProperty && found != m_openDrives.end() && closeCounts.count(device) == 0)
    return QueryProperty(*found->second, in, inSize, out, outSize, returned);
  if (found == m_openDrives.end() || closeCounts.count(device) != 0 || code != kIoctlScsiPassThroughDirect ||
      in == nullptr || inSize < sizeof(ScsiPassThroughDirect) || in != out || outSize != inSize) {
    m_lastError = 87;  // invalid parameter
    return FALSE;
  }
  ScsiPassThroughDirect& h = *static_cast<ScsiPassThroughDirect*>(in);
  passThroughRequests.push_back(h);
  passThroughSizes.push_back(inSize);
  if (h.DataIn == SCSI_IOCTL_DATA_OUT && h.DataBuffer != nullptr) {
    const BYTE* data = static_cast<const BYTE*>(h.DataBuffer);
    passThroughDataOut.push_back(std::vector<BYTE>(data, data + h.DataTransferLength));
  }
  // Windows refuses a buffer the adapter cannot reach where it lies (Wine
  // does not check).
  if (h.DataTransferLength > 0 && (reinterpret_cast<uintptr_t>(h.DataBuffer) & found->second->alignmentMask) != 0) {
    m_lastError = ERROR_INVALID_PARAMETER;
    return FALSE;
  }
  driveemu::ScsiOutcome outcome =
      driveemu::Respond(*found->second, h.Cdb, std::min<int>(h.CdbLength, 16), h.DataTransferLength);
  if (!outcome.transportOk) {
    m_lastError = transportError;
    return FALSE;
  }
  if (!outcome.data.empty()) std::memcpy(h.DataBuffer, outcome.data.data(), outcome.data.size());
  h.DataTransferLength = static_cast<ULONG>(outcome.data.size());
  h.ScsiStatus = outcome.status;
  // As the system does: as many sense bytes as there are room for, and
  // SenseInfoLength says how many came.
  size_t senseBytes = 0;
  if (outcome.status == kScsiStatusCheckCondition && h.SenseInfoLength > 0) {
    senseBytes = std::min<size_t>(h.SenseInfoLength, outcome.sense.size());
    if (h.SenseInfoOffset + senseBytes > inSize) senseBytes = 0;
    if (senseBytes > 0) std::memcpy(static_cast<BYTE*>(in) + h.SenseInfoOffset, outcome.sense.data(), senseBytes);
  }
  h.SenseInfoLength = static_cast<UCHAR>(senseBytes);
  if (passThroughOverstatement > 0) {
    h.DataTransferLength = passThroughRequests.back().DataTransferLength + passThroughOverstatement;
    h.SenseInfoLength = static_cast<UCHAR>(passThroughRequests.back().SenseInfoLength + passThroughOverstatement);
  }
  if (returned != nullptr) *returned = inSize;
  return TRUE;
}

BOOL StandInPlatform::QueryProperty(const driveemu::EmulatedUnit& unit, void* in, DWORD inSize, void* out,
                                    DWORD outSize, DWORD* returned) {
  if (in == nullptr || inSize < sizeof(StoragePropertyQuery)) {
    m_lastError = ERROR_INVALID_PARAMETER;
    return FALSE;
  }
  StoragePropertyQuery query;
  std::memcpy(&query, in, sizeof query);
  propertyQueries.push_back(query);
  propertyRooms.push_back(outSize);
  const bool device = query.PropertyId == kStorageDeviceProperty;
  if (query.QueryType != kPropertyStandardQuery || (!device && query.PropertyId != kStorageAdapterProperty) ||
      (device ? unit.deviceQueryFails : unit.adapterQueryFails)) {
    m_lastError = 1;  // ERROR_INVALID_FUNCTION: what a driver without the property answers
    return FALSE;
  }
  if (out == nullptr || outSize < 8) {  // not even the Version and Size
    m_lastError = ERROR_INSUFFICIENT_BUFFER;
    return FALSE;
  }
  const std::vector<BYTE> answer = device ? DeviceDescriptor(unit) : AdapterDescriptor(unit);
  const DWORD n = static_cast<DWORD>(std::min<size_t>(answer.size(), outSize));
  // Past what it returns the system promises nothing: not zeros.
  std::memset(out, 0xCC, outSize);
  std::memcpy(out, answer.data(), n);
  if (returned != nullptr) *returned = n;
  return TRUE;
}

HANDLE StandInPlatform::CreateEventA(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState, const char*) {
  Record("CreateEventA", std::string(manualReset ? "manual" : "auto") + (initialState ? " set" : " unset"));
  if (createEventFails) return nullptr;
  HANDLE event = reinterpret_cast<HANDLE>(m_nextHandle++);
  m_events[event] = initialState != FALSE;
  return event;
}

DWORD StandInPlatform::WaitForSingleObject(HANDLE handle, DWORD timeout) {
  Record("WaitForSingleObject", Hex(timeout));
  if (!waitResults.empty()) {
    DWORD result = waitResults.front();
    waitResults.pop_front();
    return result;
  }
  auto event = m_events.find(handle);
  if (event == m_events.end()) return WAIT_FAILED;
  if (!event->second) {
    // Let the work deferred on this event happen now: the wait is what a
    // real program would be doing while the library finishes.
    for (size_t i = 0; i < m_deferred.size();) {
      if (m_deferred[i].first == handle) {
        std::function<void()> work = m_deferred[i].second;
        m_deferred.erase(m_deferred.begin() + static_cast<std::ptrdiff_t>(i));
        work();
      } else {
        ++i;
      }
    }
  }
  if (m_events[handle]) return WAIT_OBJECT_0;
  return timeout == INFINITE ? WAIT_FAILED : WAIT_TIMEOUT;
}

BOOL StandInPlatform::ResetEvent(HANDLE event) {
  Record("ResetEvent");
  auto found = m_events.find(event);
  if (found == m_events.end()) return FALSE;
  found->second = false;
  return TRUE;
}

void StandInPlatform::SignalEvent(void* event) {
  auto found = m_events.find(static_cast<HANDLE>(event));
  if (found != m_events.end()) found->second = true;
}

void StandInPlatform::Defer(void* event, DWORD, std::function<void()> work) {
  m_deferred.push_back(std::make_pair(event, work));
}

void StandInPlatform::Log(const std::string& line) { aspiLog.push_back(line); }

DWORD StandInPlatform::GetModuleFileNameA(HMODULE, char* buffer, DWORD size) {
  Record("GetModuleFileNameA");
  return CopyText(moduleFileName, buffer, size);
}

UINT StandInPlatform::GetWindowsDirectoryA(char* buffer, UINT size) {
  Record("GetWindowsDirectoryA");
  return CopyText(windowsDirectory, buffer, size);
}

UINT StandInPlatform::GetSystemDirectoryA(char* buffer, UINT size) {
  Record("GetSystemDirectoryA");
  return CopyText(systemDirectory, buffer, size);
}

BOOL StandInPlatform::IsDBCSLeadByte(BYTE ch) {
  return std::find(leadBytes.begin(), leadBytes.end(), ch) != leadBytes.end();
}

DWORD StandInPlatform::CharLowerBuffA(char* text, DWORD length) {
  for (DWORD i = 0; i < length; ++i) {
    if (IsDBCSLeadByte(static_cast<BYTE>(text[i])) && i + 1 < length) {
      ++i;  // the trail byte is part of the character, not a letter
      continue;
    }
    text[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));
  }
  return length;
}

// --- Setup API ---------------------------------------------------------------

HDEVINFO StandInPlatform::SetupDiGetClassDevsA(const GUID* guid, const char*, HWND, DWORD flags) {
  Record("SetupDiGetClassDevsA", Hex(flags));
  if (classDevsFail || guid == nullptr || std::memcmp(guid, &kGuidDevinterfaceCdrom, sizeof(GUID)) != 0)
    return INVALID_HANDLE_VALUE;
  m_infoSet = reinterpret_cast<HDEVINFO>(m_nextHandle++);
  return m_infoSet;
}

BOOL StandInPlatform::SetupDiEnumDeviceInterfaces(HDEVINFO set, PSP_DEVINFO_DATA, const GUID*, DWORD index,
                                                  PSP_DEVICE_INTERFACE_DATA data) {
  Record("SetupDiEnumDeviceInterfaces", std::to_string(index));
  if (set != m_infoSet || data == nullptr || data->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA) ||
      index >= Interfaces().size()) {
    m_lastError = ERROR_NO_MORE_ITEMS;
    return FALSE;
  }
  data->Reserved = index;
  return TRUE;
}

BOOL StandInPlatform::SetupDiGetDeviceInterfaceDetailA(HDEVINFO set, PSP_DEVICE_INTERFACE_DATA data,
                                                       PSP_DEVICE_INTERFACE_DETAIL_DATA_A detail, DWORD size,
                                                       DWORD* required, PSP_DEVINFO_DATA) {
  Record("SetupDiGetDeviceInterfaceDetailA", std::to_string(size));
  if (set != m_infoSet || data == nullptr) return FALSE;
  DWORD index = static_cast<DWORD>(data->Reserved);
  std::string path = InterfacePath(index);
  DWORD needed = static_cast<DWORD>(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath) + path.size() + 1);
  auto forced = detailSizeOverride.find(index);
  if (forced != detailSizeOverride.end()) needed = forced->second;
  if (required != nullptr) *required = needed;
  if (detail == nullptr || size < needed) {
    m_lastError = 122;  // insufficient buffer
    return FALSE;
  }
  if (detail->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) {
    m_lastError = 1784;  // invalid user buffer
    return FALSE;
  }
  CopyText(path, detail->DevicePath, size - static_cast<DWORD>(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath)));
  return TRUE;
}

BOOL StandInPlatform::SetupDiDestroyDeviceInfoList(HDEVINFO set) {
  Record("SetupDiDestroyDeviceInfoList");
  return set == m_infoSet;
}

// --- Version information and user interface ------------------------------------

bool StandInPlatform::VersionResource(const char* path, std::vector<BYTE>* resource) const {
  std::string p(path != nullptr ? path : "");
  auto block = versionBlocks.find(p);
  if (block != versionBlocks.end()) {
    *resource = block->second;
    return true;
  }
  auto file = peFiles.find(p);
  if (file == peFiles.end()) return false;
  std::ifstream in(file->second, std::ios::binary);
  std::vector<BYTE> image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  size_t offset = 0, length = 0;
  if (!pever::FindVersionResource(image.data(), image.size(), &offset, &length)) return false;
  resource->assign(image.begin() + static_cast<std::ptrdiff_t>(offset),
                   image.begin() + static_cast<std::ptrdiff_t>(offset + length));
  return true;
}

DWORD StandInPlatform::GetFileVersionInfoSizeA(const char* path, DWORD* handle) {
  Record("GetFileVersionInfoSizeA", path != nullptr ? path : "");
  if (handle != nullptr) *handle = 0;
  std::vector<BYTE> resource;
  if (!VersionResource(path, &resource)) return 0;
  size_t length = pever::VersionBlockLength(resource.data(), resource.size());
  return length == 0 ? 0 : pever::InfoSizeFor(length);
}

BOOL StandInPlatform::GetFileVersionInfoA(const char* path, DWORD, DWORD size, void* data) {
  Record("GetFileVersionInfoA", path != nullptr ? path : "");
  std::vector<BYTE> resource;
  if (!VersionResource(path, &resource)) return FALSE;
  return pever::CopyVersionInfo(resource.data(), resource.size(), size, data);
}

BOOL StandInPlatform::VerQueryValueA(const void* block, const char* subBlock, void** value, UINT* length) {
  Record("VerQueryValueA", subBlock != nullptr ? subBlock : "");
  return pever::QueryVersionValue(block, subBlock, value, length);
}

int StandInPlatform::MessageBoxA(HWND, const char* text, const char* caption, UINT type) {
  Record("MessageBoxA", text);
  messages.push_back(text);
  messageCaptions.push_back(caption != nullptr ? caption : "");
  messageTypes.push_back(type);
  return IDOK;
}

DWORD StandInPlatform::FormatMessageA(DWORD, const void*, DWORD messageId, DWORD, char* buffer, DWORD size, void*) {
  Record("FormatMessageA", std::to_string(messageId));
  auto text = errorTexts.find(messageId);
  return CopyText(text != errorTexts.end() ? text->second : "error " + std::to_string(messageId), buffer, size);
}
