// The list itself: the choice of transport, enumeration, dispatch of each
// request, the drives' names and clearing.
#include "device/device_list.h"

#include <cstring>

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
  if (m_bUseAspi) StartAspi();
}

DeviceList::~DeviceList() {
  Clear();
  if (m_hAspiLibrary != nullptr) Win().FreeLibrary(m_hAspiLibrary);
}

int DeviceList::Enumerate() {
  Clear();
  m_scanProblems.clear();
  if (m_bUseAspi)
    ScanAspiBus();
  else
    ScanDrivePort();
  return GetCount();
}

CommandOutcome DeviceList::ExecuteRequest(int index, ScsiRequest* request) {
  if (index >= GetCount()) return CommandOutcome::NotCarried(CommandOutcome::kNotSent, 0, "no such drive in the list");
  const CdDevice& device = *m_devices[index];  // a negative index raises here
  return m_bUseAspi ? ExecuteAspi(device, *request) : ExecuteOnPort(device, *request);
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

void DeviceList::AddDevice(CdDevice* device) {
  INT_PTR index;
  try {
    index = m_devices.Add(device);
  } catch (...) {
    // The list could not take it: close what it holds so nothing leaks.
    CloseOnPort(*device);
    delete device;
    throw;
  }
  IdentifyDevice(static_cast<int>(index), device);
}

void DeviceList::Report(std::vector<DeviceProblem>& problems, DeviceProblem::Kind kind, const char* text,
                        const std::string& advice) {
  DeviceProblem problem;
  problem.kind = kind;
  problem.text = text;
  problem.advice = advice;
  problems.push_back(problem);
}
