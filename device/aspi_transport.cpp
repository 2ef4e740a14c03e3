// The transport of the Windows 95/98 family: the ASPI library WNASPI32,
// loaded at run time; its start-up, the bus scan and the execution of each
// request.
#include <cstdio>
#include <cstring>

#include "device/device_list.h"
#include "platform/aspi.h"

namespace {
const DWORD kAspiStatusShift = 8;
const BYTE kPeripheralCdDvd = 5;
const int kTargetsPerAdapter = 16;
}  // namespace

void DeviceList::StartAspi() {
  UINT previous = Win().SetErrorMode(SEM_NOOPENFILEERRORBOX);
  m_hAspiLibrary = Win().LoadLibraryA("WNASPI32");
  Win().SetErrorMode(previous);
  if (m_hAspiLibrary == nullptr) {
    Report(m_startProblems, DeviceProblem::kAspiNotLoaded, "Unable to load ASPI!");
    return;
  }
  m_pfnGetASPI32SupportInfo =
      EntryPointCast<PFN_GetASPI32SupportInfo>(Win().GetProcAddress(m_hAspiLibrary, "GetASPI32SupportInfo"));
  m_pfnSendASPI32Command =
      EntryPointCast<PFN_SendASPI32Command>(Win().GetProcAddress(m_hAspiLibrary, "SendASPI32Command"));
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

CommandOutcome DeviceList::ExecuteAspi(const CdDevice& device, const ScsiRequest& request) {
  if (m_pfnSendASPI32Command == nullptr)
    return CommandOutcome::NotCarried(CommandOutcome::kNotSent, 0, "the ASPI library cannot send commands");

  // Without an event there is no way to know when the library is done with
  // the block, so the block is never handed over.
  HANDLE event = Win().CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (event == nullptr)
    return CommandOutcome::NotCarried(CommandOutcome::kNotSent, static_cast<long>(Win().GetLastError()),
                                      "no event to wait for the ASPI request");

  SRB_ExecSCSICmd srb;
  std::memset(&srb, 0, sizeof(srb));
  srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
  srb.SRB_HaId = device.m_nHostAdapter;
  srb.SRB_Flags = SRB_EVENT_NOTIFY;
  if (request.Header.DataIn == SCSI_IOCTL_DATA_IN) srb.SRB_Flags |= SRB_DIR_IN;
  if (request.Header.DataIn == SCSI_IOCTL_DATA_OUT) srb.SRB_Flags |= SRB_DIR_OUT;
  srb.SRB_Target = device.m_nTargetId;
  srb.SRB_Lun = 0;
  srb.SRB_BufLen = request.Header.DataTransferLength;
  srb.SRB_BufPointer = static_cast<BYTE*>(request.Header.DataBuffer);
  srb.SRB_SenseLen = SENSE_LEN;
  srb.SRB_CDBLen = request.Header.CdbLength;
  srb.SRB_PostProc = event;
  std::memcpy(srb.CDBByte, request.Header.Cdb, sizeof(srb.CDBByte));

  bool aborted = false;
  if (m_pfnSendASPI32Command(&srb) == SS_PENDING) {
    // A drive that never answers would hold the program for good: after the
    // bound, ask the library to abort the block. Either way we only go on
    // once the library has signalled that it no longer writes into the block
    // or the caller's buffer, both of which die when we return.
    if (Win().WaitForSingleObject(event, kAspiWaitMilliseconds) != WAIT_OBJECT_0) {
      SRB_Abort abort;
      std::memset(&abort, 0, sizeof(abort));
      abort.SRB_Cmd = SC_ABORT_SRB;
      abort.SRB_HaId = device.m_nHostAdapter;
      abort.SRB_ToAbort = &srb;
      m_pfnSendASPI32Command(&abort);
      Win().WaitForSingleObject(event, INFINITE);
      aborted = true;
    }
  }
  Win().ResetEvent(event);
  Win().CloseHandle(event);

  // ASPI tells no transferred length.
  if (srb.SRB_Status == SS_COMP) return CommandOutcome::FromStatus(kScsiStatusGood, nullptr, 0);
  if (aborted) return CommandOutcome::NotCarried(CommandOutcome::kTimedOut);
  // An error with no target status (a host adapter failure) means the
  // drive's answer never came.
  if (srb.SRB_TargStat == kScsiStatusGood) {
    char text[64];
    std::snprintf(text, sizeof(text), "ASPI status %02Xh, host adapter status %02Xh", srb.SRB_Status,
                  srb.SRB_HaStat);
    return CommandOutcome::NotCarried(CommandOutcome::kSystemError, srb.SRB_Status, text);
  }
  // ASPI hands back a fixed sense area of SENSE_LEN bytes.
  return CommandOutcome::FromStatus(srb.SRB_TargStat, srb.SenseArea, SENSE_LEN);
}
