// Carrying one request to a drive, through the list's transport.
#include <cstring>

#include "device/device_list.h"
#include "platform/aspi.h"

CommandOutcome DeviceList::ExecuteRequest(int index, ScsiRequest* request) {
  if (index >= GetCount()) return CommandOutcome::NotCarried();
  CdDevice* device = m_devices[index];  // a negative index raises here
  return m_bUseAspi ? ExecuteAspi(device, request) : ExecutePassThrough(device, request);
}

CommandOutcome DeviceList::ExecutePassThrough(CdDevice* device, ScsiRequest* request) {
  DWORD returned = 0;
  BOOL ok = Api().DeviceIoControl(device->m_hDevice, kIoctlScsiPassThroughDirect, request,
                                  static_cast<DWORD>(sizeof(ScsiRequest)), request,
                                  static_cast<DWORD>(sizeof(ScsiRequest)), &returned, nullptr);
  if (!ok) return CommandOutcome::NotCarried();
  // The platform says how many sense bytes it wrote.
  return CommandOutcome::FromStatus(request->Header.ScsiStatus, request->SenseBuffer,
                                    request->Header.SenseInfoLength);
}

CommandOutcome DeviceList::ExecuteAspi(CdDevice* device, ScsiRequest* request) {
  if (m_pfnSendASPI32Command == nullptr) return CommandOutcome::NotCarried();

  // Without an event there is no way to know when the library is done with
  // the block, so the block is never handed over.
  HANDLE event = Api().CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (event == nullptr) return CommandOutcome::NotCarried();

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

  if (srb.SRB_Status == SS_COMP) return CommandOutcome::FromStatus(kScsiStatusGood, nullptr, 0);
  // An error with no target status (a host adapter failure, an abort) means
  // the drive's answer never came.
  if (srb.SRB_TargStat == kScsiStatusGood) return CommandOutcome::NotCarried();
  // ASPI hands back a fixed sense area of SENSE_LEN bytes.
  return CommandOutcome::FromStatus(srb.SRB_TargStat, srb.SenseArea, SENSE_LEN);
}
