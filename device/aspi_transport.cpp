// The transport of the Windows 95/98 family: the ASPI library WNASPI32,
// loaded at run time; its start-up, the bus scan and the execution of each
// request.
#include <cstdio>
#include <cstring>
#include <string>

#include "device/aspi_transport.h"
#include "platform/aspi.h"

namespace {
const DWORD kAspiStatusShift = 8;
const BYTE kPeripheralCdDvd = 5;
const int kTargetsPerAdapter = 16;

DeviceProblem Problem(DeviceProblem::Kind kind, const CString& text) {
  DeviceProblem problem;
  problem.kind = kind;
  problem.text = text;
  return problem;
}

}  // namespace

AspiStart StartAspi() {
  AspiStart start;
  UINT previous = Win().SetErrorMode(SEM_NOOPENFILEERRORBOX);
  start.library = Win().LoadLibraryA("WNASPI32");
  Win().SetErrorMode(previous);
  if (start.library == nullptr) {
    start.problems.push_back(Problem(DeviceProblem::kAspiNotLoaded, "Unable to load ASPI!"));
    return start;
  }
  start.getSupportInfo =
      EntryPointCast<PFN_GetASPI32SupportInfo>(Win().GetProcAddress(start.library, "GetASPI32SupportInfo"));
  start.sendCommand = EntryPointCast<PFN_SendASPI32Command>(Win().GetProcAddress(start.library, "SendASPI32Command"));
  // A library without the start-up call cannot tell us its adapters.
  if (start.getSupportInfo == nullptr) return start;

  DWORD support = start.getSupportInfo();
  BYTE status = static_cast<BYTE>(support >> kAspiStatusShift);
  if (status == SS_COMP || status == SS_NO_ADAPTERS) {
    start.adapterCount = static_cast<int>(support & 0xFF);
  } else {
    CString message;
    message.Format("Unexpected ASPI Failure - %08Xh", static_cast<unsigned>(support));
    start.problems.push_back(Problem(DeviceProblem::kAspiStartFailed, message));
  }
  return start;
}

void ScanAspiBus(PFN_SendASPI32Command send, int adapterCount, DiscoverySink& sink) {
  if (adapterCount == 0 || send == nullptr) return;
  for (int adapter = 0; adapter < adapterCount; ++adapter) {
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
      send(&query.block);
      if (query.block.SRB_Status == SS_COMP && query.block.SRB_DeviceType == kPeripheralCdDvd) {
        FoundDrive drive;
        drive.hostAdapter = static_cast<BYTE>(adapter);
        drive.targetId = static_cast<BYTE>(target);
        sink.Found(drive);
      }
    }
  }
}

CommandOutcome ExecuteAspi(PFN_SendASPI32Command send, BYTE hostAdapter, BYTE targetId, const DriveCommand& command) {
  if (send == nullptr)
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
  srb.SRB_HaId = hostAdapter;
  srb.SRB_Flags = SRB_EVENT_NOTIFY;
  if (command.direction == DriveCommand::kFromDrive) srb.SRB_Flags |= SRB_DIR_IN;
  if (command.direction == DriveCommand::kToDrive) srb.SRB_Flags |= SRB_DIR_OUT;
  srb.SRB_Target = targetId;
  srb.SRB_Lun = 0;
  srb.SRB_BufLen = static_cast<DWORD>(command.length);
  srb.SRB_BufPointer = static_cast<BYTE*>(command.buffer);
  srb.SRB_SenseLen = SENSE_LEN;
  srb.SRB_CDBLen = static_cast<BYTE>(command.cdbLength);
  srb.SRB_PostProc = event;
  static_assert(sizeof(srb.CDBByte) == sizeof(command.cdb), "the block takes every CDB byte");
  std::memcpy(srb.CDBByte, command.cdb, sizeof(srb.CDBByte));

  bool aborted = false;
  if (send(&srb) == SS_PENDING) {
    // A drive that never answers would hold the program for good: after the
    // bound, ask the library to abort the block. Either way we only go on
    // once the library has signalled that it no longer writes into the block
    // or the caller's buffer, both of which die when we return.
    if (Win().WaitForSingleObject(event, kAspiWaitMilliseconds) != WAIT_OBJECT_0) {
      SRB_Abort abort;
      std::memset(&abort, 0, sizeof(abort));
      abort.SRB_Cmd = SC_ABORT_SRB;
      abort.SRB_HaId = hostAdapter;
      abort.SRB_ToAbort = &srb;
      send(&abort);
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

namespace {

// A host adapter string: up to its first NUL, its printable characters,
// without the padding around them.
std::string AdapterText(const BYTE* field, std::size_t width) {
  std::string text;
  for (std::size_t i = 0; i < width && field[i] != 0; ++i)
    if (field[i] >= 0x20 && field[i] < 0x7F) text += static_cast<char>(field[i]);
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

DriveConnection AspiConnection(PFN_SendASPI32Command send, BYTE hostAdapter) {
  DriveConnection connection;
  if (send == nullptr) return connection;
  SRB_HAInquiry srb;
  std::memset(&srb, 0, sizeof(srb));
  srb.SRB_Cmd = SC_HA_INQUIRY;
  srb.SRB_HaId = hostAdapter;
  // The inquiry completes before the call returns; no event is involved.
  send(&srb);
  if (srb.SRB_Status != SS_COMP) return connection;
  connection.source = "ASPI host adapter inquiry";
  connection.aspiManager = AdapterText(srb.HA_ManagerId, sizeof(srb.HA_ManagerId));
  connection.aspiAdapter = AdapterText(srb.HA_Identifier, sizeof(srb.HA_Identifier));
  connection.alignmentMask = srb.HA_Unique[0] | srb.HA_Unique[1] << 8;
  connection.maxTransfer = static_cast<long long>(srb.HA_Unique[4]) | static_cast<long long>(srb.HA_Unique[5]) << 8 |
                           static_cast<long long>(srb.HA_Unique[6]) << 16 |
                           static_cast<long long>(srb.HA_Unique[7]) << 24;
  // ASPI does not name the bus. An identifier that mentions USB or 1394 is
  // the adapter's maker talking, not the bus the drive sits on: no guess.
  return connection;
}
