// Carrying one request to a drive, through the list's transport.
#include <cstring>

#include "device/aspi.h"
#include "device/device_list.h"

int DeviceList::ExecuteRequest(int index, ScsiRequest* request) {
  if (index >= GetCount()) return 0;
  CdDevice* device = m_devices[index];  // a negative index raises here
  return m_bUseAspi ? ExecuteAspi(device, request) : ExecutePassThrough(device, request);
}

int DeviceList::ExecutePassThrough(CdDevice* device, ScsiRequest* request) {
  DWORD returned = 0;
  BOOL ok = Api().DeviceIoControl(device->m_hDevice, kIoctlScsiPassThroughDirect, request,
                                  static_cast<DWORD>(sizeof(ScsiRequest)), request,
                                  static_cast<DWORD>(sizeof(ScsiRequest)), &returned, nullptr);
  return ok ? 1 : 0;
}

int DeviceList::ExecuteAspi(CdDevice* device, ScsiRequest* request) {
  if (m_pfnSendASPI32Command == nullptr) return 0;

  // Without an event there is no way to know when the library is done with
  // the block, so the block is never handed over.
  HANDLE event = Api().CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (event == nullptr) return 0;

  SRB_ExecSCSICmd srb;
  std::memset(&srb, 0, sizeof(srb));
  srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
  srb.SRB_HaId = device->m_nHostAdapter;
  srb.SRB_Flags = SRB_EVENT_NOTIFY;
  if (request->Header.DataIn == SCSI_IOCTL_DATA_IN) srb.SRB_Flags |= SRB_DIR_IN;
  if (request->Header.DataIn == SCSI_IOCTL_DATA_OUT) srb.SRB_Flags |= SRB_DIR_OUT;
  srb.SRB_Target = device->m_nTargetId;
  srb.SRB_Lun = 0;
  srb.SRB_BufLen = request->Header.DataTransferLength;
  srb.SRB_BufPointer = static_cast<BYTE*>(request->Header.DataBuffer);
  srb.SRB_SenseLen = SENSE_LEN;
  srb.SRB_CDBLen = request->Header.CdbLength;
  srb.SRB_PostProc = event;
  std::memcpy(srb.CDBByte, request->Header.Cdb, sizeof(srb.CDBByte));

  if (m_pfnSendASPI32Command(&srb) == SS_PENDING) {
    // A drive that never answers would hold the program for good: after the
    // bound, ask the library to abort the block. Either way we only go on
    // once the library has signalled that it no longer writes into the block
    // or the caller's buffer, both of which die when we return.
    if (Api().WaitForSingleObject(event, kAspiWaitMilliseconds) != WAIT_OBJECT_0) {
      SRB_Abort abort;
      std::memset(&abort, 0, sizeof(abort));
      abort.SRB_Cmd = SC_ABORT_SRB;
      abort.SRB_HaId = device->m_nHostAdapter;
      abort.SRB_ToAbort = &srb;
      m_pfnSendASPI32Command(&abort);
      Api().WaitForSingleObject(event, INFINITE);
    }
  }
  Api().ResetEvent(event);
  Api().CloseHandle(event);

  if (srb.SRB_Status == SS_COMP) {
    request->Header.ScsiStatus = kScsiStatusGood;
    return 1;
  }
  request->Header.ScsiStatus = srb.SRB_TargStat;
  if (srb.SRB_TargStat == kScsiStatusCheckCondition) {
    std::memcpy(request->SenseBuffer, srb.SenseArea, SENSE_LEN);
    return 1;
  }
  return 0;
}
