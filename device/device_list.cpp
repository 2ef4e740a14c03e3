// The list itself: the choice of transport, enumeration, dispatch of each
// request, the drives' names and clearing.
#include "device/device_list.h"

#include <cstring>

#include "device/aspi_transport.h"
#include "device/port_transport.h"

class DeviceList::Sink final : public DiscoverySink {
 public:
  explicit Sink(DeviceList& list) : m_list(list) {}
  void Found(const FoundDrive& drive) override { m_list.AddDevice(drive); }
  void Problem(const DeviceProblem& problem) override { m_list.m_scanProblems.push_back(problem); }

 private:
  DeviceList& m_list;
};

CdDevice::CdDevice() : m_hDevice(INVALID_HANDLE_VALUE), m_nHostAdapter(255), m_nTargetId(255) {}

CdDevice::~CdDevice() {}

DeviceList::DeviceList()
    : m_bUseAspi(FALSE),
      m_hAspiLibrary(nullptr),
      m_pfnGetASPI32SupportInfo(nullptr),
      m_pfnSendASPI32Command(nullptr),
      m_nAdapterCount(0) {
  // ASPI is the transport of the Windows 95/98 family alone: a system
  // without Windows calls reaches its drives through its drive port.
  if (HaveWindowsApi()) {
    OSVERSIONINFOA version;
    std::memset(&version, 0, sizeof(version));
    version.dwOSVersionInfoSize = sizeof(version);
    Win().GetVersionExA(&version);
    m_bUseAspi = version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS ? TRUE : FALSE;
  }
  if (!m_bUseAspi) return;
  const AspiStart start = StartAspi();
  m_hAspiLibrary = start.library;
  m_pfnGetASPI32SupportInfo = start.getSupportInfo;
  m_pfnSendASPI32Command = start.sendCommand;
  m_nAdapterCount = start.adapterCount;
  m_startProblems = start.problems;
}

DeviceList::~DeviceList() {
  Clear();
  if (m_hAspiLibrary != nullptr) Win().FreeLibrary(m_hAspiLibrary);
}

int DeviceList::Enumerate() {
  Clear();
  m_scanProblems.clear();
  Sink sink(*this);
  if (m_bUseAspi)
    ScanAspiBus(m_pfnSendASPI32Command, m_nAdapterCount, sink);
  else
    ScanDrivePort(Drives(), sink);
  return GetCount();
}

CommandOutcome DeviceList::Execute(int index, const DriveCommand& command) {
  if (index >= GetCount()) return CommandOutcome::NotCarried(CommandOutcome::kNotSent, 0, "no such drive in the list");
  const CdDevice& device = *m_devices[index];  // a negative index raises here
  if (m_bUseAspi) return ExecuteAspi(m_pfnSendASPI32Command, device.m_nHostAdapter, device.m_nTargetId, command);
  return Drives().Execute(device.m_hDevice, command);
}

DriveConnection DeviceList::Connection(int index) const {
  if (index < 0 || index >= GetCount()) return DriveConnection();
  const CdDevice& device = *m_devices[index];
  if (m_bUseAspi) return AspiConnection(m_pfnSendASPI32Command, device.m_nHostAdapter);
  return Drives().Connection(device.m_hDevice, std::string(device.m_strPath));
}

CommandOutcome DeviceList::ExecuteRequest(int index, ScsiRequest* request) {
  const CommandOutcome outcome = Execute(index, CommandOfRequest(*request));
  ReturnIntoRequest(outcome, request);
  return outcome;
}

void DeviceList::GetDeviceNames(int index, CString& vendor, CString& product) const {
  if (index >= GetCount()) return;
  const CdDevice* device = m_devices[index];
  vendor = device->m_strVendor;
  product = device->m_strProduct;
}

int DeviceList::FindPath(const char* path) const {
  if (m_bUseAspi || path == nullptr || *path == '\0') return -1;  // ASPI drives have no path
  const std::string canonical = Drives().CanonicalPath(path);
  for (int i = 0; i < GetCount(); ++i)
    if (m_devices[i]->m_strPath == path || m_devices[i]->m_strPath == canonical.c_str()) return i;
  return -1;
}

std::string DeviceList::NoDrivesAdvice() const {
  if (!m_bUseAspi) return Drives().NoDrivesAdvice();
  CString advice;
  advice.Format("no CD/DVD device on the %d ASPI host adapter%s (targets 0 to 15, logical unit 0 of each): the "
                "drive may be on an adapter the ASPI library does not manage, or the library found none",
                m_nAdapterCount, m_nAdapterCount == 1 ? "" : "s");
  return advice.GetString();
}

void DeviceList::Clear() {
  for (INT_PTR i = 0; i < m_devices.GetSize(); ++i) {
    CdDevice* device = m_devices[i];
    CloseOnPort(*device);
    delete device;
  }
  m_devices.RemoveAll();
}

void DeviceList::CloseOnPort(CdDevice& device) {
  if (device.m_hDevice == INVALID_HANDLE_VALUE) return;
  Drives().Close(device.m_hDevice);
  device.m_hDevice = INVALID_HANDLE_VALUE;
}

void DeviceList::AddDevice(const FoundDrive& drive) {
  CdDevice* device = nullptr;
  INT_PTR index;
  try {
    device = new CdDevice;
    device->m_hDevice = drive.handle;
    device->m_nHostAdapter = drive.hostAdapter;
    device->m_nTargetId = drive.targetId;
    device->m_strPath = drive.path.c_str();
    index = m_devices.Add(device);
  } catch (...) {
    // The list could not take it: close what it holds so nothing leaks.
    if (device == nullptr) {
      if (drive.handle != kNoDrive) Drives().Close(drive.handle);
    } else {
      CloseOnPort(*device);
      delete device;
    }
    throw;
  }
  IdentifyDevice(static_cast<int>(index), device);
}
