// The discovered drives and the transport that reaches them.
#pragma once

#include <string>
#include <vector>

#include "device/scsi_request.h"
#include "framework/afx.h"
#include "platform/platform.h"

// One drive. The list closes its handle; the record only holds it.
class CdDevice : public CObject {
 public:
  CdDevice();
  ~CdDevice() override;

  CString m_strVendor;
  CString m_strProduct;
  HANDLE m_hDevice;      // pass-through: the open drive; -1 for ASPI drives
  BYTE m_nHostAdapter;   // ASPI: host adapter; 255 for pass-through drives
  BYTE m_nTargetId;      // ASPI: target id; 255 for pass-through drives
  CString m_strPath;     // pass-through: the interface path it was opened by; empty for ASPI drives
};

// Something that kept discovery from reaching the drives. The list only
// reports it; whoever shows the list decides how to tell the user.
struct DeviceProblem {
  enum Kind {
    kAspiNotLoaded,     // the ASPI library could not be loaded
    kAspiStartFailed,   // the library's start-up value was not one we accept
    kAccessDenied       // a drive could not be opened for want of rights; the scan stopped
  };
  Kind kind;
  CString text;        // the message for the user, in the window's own words
  std::string advice;  // what the seam adds about the refusal (which node, who may open it); often empty
};

// Owner of every CdDevice and of the transport, chosen once at construction:
// ASPI on the Windows 95/98 family, SCSI pass-through everywhere else. A
// drive is named by its device index, its position in discovery order.
class DeviceList {
 public:
  // Chooses the transport and, for ASPI, loads and starts the library.
  DeviceList();
  virtual ~DeviceList();

  // Empties the list and finds every drive again, naming each; returns the count.
  int Enumerate();
  // Sends one request to drive `index` and says what became of it. An index
  // not below the count sends nothing (not carried); a negative one raises.
  CommandOutcome ExecuteRequest(int index, ScsiRequest* request);
  // Names a drive from its INQUIRY answer, or GENERIC / CD-ROM<index>;
  // returns the INQUIRY's outcome.
  CommandOutcome IdentifyDevice(int index, CdDevice* device);
  // Copies the names of drive `index`; leaves them as they were when the
  // index is not below the count.
  void GetDeviceNames(int index, CString& vendor, CString& product) const;
  // Closes every drive and empties the list.
  void Clear();
  int GetCount() const { return static_cast<int>(m_devices.GetSize()); }
  // What went wrong while the transport started (construction), and in the
  // latest Enumerate.
  const std::vector<DeviceProblem>& StartProblems() const { return m_startProblems; }
  const std::vector<DeviceProblem>& ScanProblems() const { return m_scanProblems; }

  // How long an ASPI command may run before it is aborted, in milliseconds.
  static const DWORD kAspiWaitMilliseconds = 30000;

  // Fields in the order the record keeps them; tests read them directly.
  BOOL m_bUseAspi;
  CArray<CdDevice*, CdDevice*> m_devices;
  HMODULE m_hAspiLibrary;
  PFN_GetASPI32SupportInfo m_pfnGetASPI32SupportInfo;
  PFN_SendASPI32Command m_pfnSendASPI32Command;
  int m_nAdapterCount;

 private:
  DeviceList(const DeviceList&);
  DeviceList& operator=(const DeviceList&);

  void StartAspi();
  void ScanAspiBus();
  void ScanInterfaces();
  // Appends a new record and names it.
  void AddDevice(CdDevice* device);
  CommandOutcome ExecutePassThrough(CdDevice* device, ScsiRequest* request);
  CommandOutcome ExecuteAspi(CdDevice* device, ScsiRequest* request);

  std::vector<DeviceProblem> m_startProblems;
  std::vector<DeviceProblem> m_scanProblems;
};
