// Choosing the transport and finding the drives.
#include <cstdlib>
#include <cstring>

#include "device/device_list.h"
#include "platform/aspi.h"

namespace {
const DWORD kAspiStatusShift = 8;
const BYTE kPeripheralCdDvd = 5;
const int kTargetsPerAdapter = 16;

void Report(std::vector<DeviceProblem>& problems, DeviceProblem::Kind kind, const char* text,
            const std::string& advice = std::string()) {
  DeviceProblem problem;
  problem.kind = kind;
  problem.text = text;
  problem.advice = advice;
  problems.push_back(problem);
}

// Releases the interface set however the scan ends.
struct DeviceInfoSetGuard {
  HDEVINFO set;
  ~DeviceInfoSetGuard() { Api().SetupDiDestroyDeviceInfoList(set); }
};
}  // namespace

DeviceList::DeviceList()
    : m_bUseAspi(FALSE),
      m_hAspiLibrary(nullptr),
      m_pfnGetASPI32SupportInfo(nullptr),
      m_pfnSendASPI32Command(nullptr),
      m_nAdapterCount(0) {
  OSVERSIONINFOA version;
  std::memset(&version, 0, sizeof(version));
  version.dwOSVersionInfoSize = sizeof(version);
  Api().GetVersionExA(&version);
  m_bUseAspi = version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS ? TRUE : FALSE;
  if (m_bUseAspi) StartAspi();
}

void DeviceList::StartAspi() {
  UINT previous = Api().SetErrorMode(SEM_NOOPENFILEERRORBOX);
  m_hAspiLibrary = Api().LoadLibraryA("WNASPI32");
  Api().SetErrorMode(previous);
  if (m_hAspiLibrary == nullptr) {
    Report(m_startProblems, DeviceProblem::kAspiNotLoaded, "Unable to load ASPI!");
    return;
  }
  m_pfnGetASPI32SupportInfo =
      EntryPointCast<PFN_GetASPI32SupportInfo>(Api().GetProcAddress(m_hAspiLibrary, "GetASPI32SupportInfo"));
  m_pfnSendASPI32Command =
      EntryPointCast<PFN_SendASPI32Command>(Api().GetProcAddress(m_hAspiLibrary, "SendASPI32Command"));
  // A library without the start-up call cannot tell us its adapters.
  if (m_pfnGetASPI32SupportInfo == nullptr) return;

  DWORD support = m_pfnGetASPI32SupportInfo();
  BYTE status = static_cast<BYTE>(support >> kAspiStatusShift);
  if (status == SS_COMP || status == SS_NO_ADAPTERS) {
    m_nAdapterCount = static_cast<int>(support & 0xFF);
  } else {
    CString message;
    message.Format("Unexpected ASPI Failure - %08Xh", static_cast<unsigned>(support));
    Report(m_startProblems, DeviceProblem::kAspiStartFailed, message);
  }
}

int DeviceList::Enumerate() {
  Clear();
  m_scanProblems.clear();
  if (m_bUseAspi)
    ScanAspiBus();
  else
    ScanInterfaces();
  return GetCount();
}

void DeviceList::ScanAspiBus() {
  if (m_nAdapterCount == 0 || m_pfnSendASPI32Command == nullptr) return;
  for (int adapter = 0; adapter < m_nAdapterCount; ++adapter) {
    for (int target = 0; target < kTargetsPerAdapter; ++target) {
      // Room for the largest block, as the library may expect.
      union {
        SRB_GDEVBlock block;
        BYTE room[80];
      } query;
      std::memset(&query, 0, sizeof(query));
      query.block.SRB_Cmd = SC_GET_DEV_TYPE;
      query.block.SRB_HaId = static_cast<BYTE>(adapter);
      query.block.SRB_Target = static_cast<BYTE>(target);
      m_pfnSendASPI32Command(&query.block);
      if (query.block.SRB_Status == SS_COMP && query.block.SRB_DeviceType == kPeripheralCdDvd) {
        CdDevice* device = new CdDevice;
        device->m_nHostAdapter = static_cast<BYTE>(adapter);
        device->m_nTargetId = static_cast<BYTE>(target);
        AddDevice(device);
      }
    }
  }
}

void DeviceList::ScanInterfaces() {
  const DWORD flags = DIGCF_PRESENT | DIGCF_PROFILE | DIGCF_DEVICEINTERFACE;
  HDEVINFO set = Api().SetupDiGetClassDevsA(&kGuidDevinterfaceCdrom, nullptr, nullptr, flags);
  if (set == INVALID_HANDLE_VALUE) return;
  DeviceInfoSetGuard guard = {set};

  const DWORD fixedPart = static_cast<DWORD>(sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A));
  SP_DEVICE_INTERFACE_DATA interfaceData;
  std::memset(&interfaceData, 0, sizeof(interfaceData));
  interfaceData.cbSize = sizeof(interfaceData);
  for (DWORD member = 0;; ++member) {
    if (!Api().SetupDiEnumDeviceInterfaces(set, nullptr, &kGuidDevinterfaceCdrom, member, &interfaceData)) break;

    DWORD required = 0;
    Api().SetupDiGetDeviceInterfaceDetailA(set, &interfaceData, nullptr, 0, &required, nullptr);
    // A size that cannot even hold the fixed part means the query failed.
    if (required < fixedPart) continue;
    void* buffer = std::calloc(1, required);
    if (buffer == nullptr) AfxThrowMemoryException();
    PSP_DEVICE_INTERFACE_DETAIL_DATA_A detail = static_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_A>(buffer);
    detail->cbSize = fixedPart;
    SP_DEVINFO_DATA infoData;
    std::memset(&infoData, 0, sizeof(infoData));
    infoData.cbSize = sizeof(infoData);
    Api().SetupDiGetDeviceInterfaceDetailA(set, &interfaceData, detail, required, nullptr, &infoData);
    // The path must end inside the buffer, whatever the call left there.
    static_cast<char*>(buffer)[required - 1] = '\0';

    HANDLE handle = Api().CreateFileA(detail->DevicePath, GENERIC_READ | GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD error = handle == INVALID_HANDLE_VALUE ? Api().GetLastError() : ERROR_SUCCESS;
    CString path(detail->DevicePath);
    std::free(buffer);

    if (handle != INVALID_HANDLE_VALUE) {
      CdDevice* device = nullptr;
      try {
        device = new CdDevice;
      } catch (...) {
        Api().CloseHandle(handle);
        throw;
      }
      device->m_hDevice = handle;
      device->m_strPath = path;
      AddDevice(device);
    } else if (error == ERROR_ACCESS_DENIED) {
      Report(m_scanProblems, DeviceProblem::kAccessDenied,
             "Unable to access CD/DVD device.  Please make sure you have Administrator privileges.",
             Api().AccessAdvice());
      break;
    }
  }
}
