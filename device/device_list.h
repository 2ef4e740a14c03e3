// The discovered drives and the transport that reaches them.
#pragma once

#include <string>
#include <vector>

#include "device/commands.h"
#include "device/discovery.h"
#include "device/scsi_request.h"
#include "framework/afx.h"
#include "platform/drive_port.h"
#include "platform/windows_api.h"

// One drive. The list closes its handle; the record only holds it.
class CdDevice : public CObject {
 public:
  CdDevice();
  ~CdDevice() override;

  CString m_strVendor;
  CString m_strProduct;
  HANDLE m_hDevice;      // drive port: the open drive; -1 for ASPI drives
  BYTE m_nHostAdapter;   // ASPI: host adapter; 255 for drives of the port
  BYTE m_nTargetId;      // ASPI: target id; 255 for drives of the port
  CString m_strPath;     // drive port: the path it was opened by; empty for ASPI drives
  CommandAnswer m_inquiry;  // the INQUIRY that named it
};

// Owner of every CdDevice and of the transport, chosen once at construction:
// ASPI on the Windows 95/98 family, the system's drive port everywhere else
// (SCSI pass-through on Windows 2000 and later, SG_IO on Linux). A drive is
// named by its device index, its position in discovery order. Each
// transport has a file of its own: aspi_transport.cpp, port_transport.cpp;
// their scans hand the drives they find to the list through a sink.
class DeviceList {
 public:
  // Chooses the transport and, for ASPI, loads and starts the library.
  DeviceList();
  virtual ~DeviceList();

  // Empties the list and finds every drive again, naming each; returns the count.
  int Enumerate();
  // Sends one command to drive `index` through the list's transport and
  // says what became of it. An index not below the count sends nothing (not
  // carried); a negative one raises.
  CommandOutcome Execute(int index, const DriveCommand& command);
  // The same for the window's record: the status, the sense bytes and the
  // length moved come back into it as well (ReturnIntoRequest).
  CommandOutcome ExecuteRequest(int index, ScsiRequest* request);
  // What the system tells of how drive `index` is reached (the port's
  // connection, or ASPI's host adapter inquiry); nothing for an index not
  // below the count.
  DriveConnection Connection(int index) const;
  // Names a drive from its INQUIRY answer, or GENERIC / CD-ROM<index>;
  // returns the INQUIRY's outcome.
  CommandOutcome IdentifyDevice(int index, CdDevice* device);
  // Copies the names of drive `index`; leaves them as they were when the
  // index is not below the count.
  void GetDeviceNames(int index, CString& vendor, CString& product) const;
  // Closes every drive and empties the list.
  void Clear();
  int GetCount() const { return static_cast<int>(m_devices.GetSize()); }
  // Drive `index`; the index must be below the count (a negative one raises).
  const CdDevice& Device(int index) const { return *m_devices[index]; }
  // The index of the drive opened by `path` (a link to it will do, where
  // the system has links), or -1.
  int FindPath(const char* path) const;
  // With no drive found: where the list looked and what commonly hides
  // drives there, in one line.
  std::string NoDrivesAdvice() const;
  // What went wrong while the transport started (construction), and in the
  // latest Enumerate.
  const std::vector<DeviceProblem>& StartProblems() const { return m_startProblems; }
  const std::vector<DeviceProblem>& ScanProblems() const { return m_scanProblems; }

  // The transport, for those who show or test it.
  bool UsesAspi() const { return m_bUseAspi != FALSE; }
  HMODULE AspiLibrary() const { return m_hAspiLibrary; }
  PFN_SendASPI32Command AspiSendCommand() const { return m_pfnSendASPI32Command; }
  bool HasAspiSupportInfo() const { return m_pfnGetASPI32SupportInfo != nullptr; }
  int AdapterCount() const { return m_nAdapterCount; }

 private:
  DeviceList(const DeviceList&);
  DeviceList& operator=(const DeviceList&);

  class Sink;  // the scans' sink: AddDevice, and the scan's problems
  // Appends a record for a drive a scan found and names it at once.
  void AddDevice(const FoundDrive& drive);
  void CloseOnPort(CdDevice& device);

  BOOL m_bUseAspi;
  CArray<CdDevice*, CdDevice*> m_devices;
  HMODULE m_hAspiLibrary;
  PFN_GetASPI32SupportInfo m_pfnGetASPI32SupportInfo;
  PFN_SendASPI32Command m_pfnSendASPI32Command;
  int m_nAdapterCount;
  std::vector<DeviceProblem> m_startProblems;
  std::vector<DeviceProblem> m_scanProblems;
};
