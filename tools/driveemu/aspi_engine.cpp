#include "tools/driveemu/aspi_engine.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/aspi.h"
#include "platform/scsi_command.h"

namespace driveemu {

namespace {
std::string Format(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
std::string Format(const char* format, ...) {
  char buffer[256];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof(buffer), format, args);
  va_end(args);
  return buffer;
}
}  // namespace

DWORD AspiEngine::GetSupportInfo() {
  DWORD value = m_profile.SupportInfo();
  m_host.Log(Format("SUPPORT -> %08X", static_cast<unsigned>(value)));
  return value;
}

DWORD AspiEngine::SendCommand(void* srb) {
  if (srb == nullptr) return SS_INVALID_CMD;
  BYTE command = static_cast<SRB_Header*>(srb)->SRB_Cmd;
  switch (command) {
    case SC_HA_INQUIRY:
      return AdapterInquiry(srb);
    case SC_GET_DEV_TYPE:
      return GetDeviceType(srb);
    case SC_EXEC_SCSI_CMD:
      return ExecScsi(srb);
    case SC_ABORT_SRB:
      return Abort(srb);
    default:
      static_cast<SRB_Header*>(srb)->SRB_Status = SS_INVALID_CMD;
      m_host.Log(Format("COMMAND %02X -> status=%02X", command, SS_INVALID_CMD));
      return SS_INVALID_CMD;
  }
}

DWORD AspiEngine::AdapterInquiry(void* srb) {
  SRB_HAInquiry* block = static_cast<SRB_HAInquiry*>(srb);
  if (block->SRB_HaId >= m_profile.AdapterCount()) {
    block->SRB_Status = SS_INVALID_HA;
  } else {
    const EmulatedAdapter adapter = m_profile.Adapter(block->SRB_HaId);
    block->HA_Count = static_cast<BYTE>(m_profile.AdapterCount());
    block->HA_SCSI_ID = 7;  // the host's own ID, by custom the highest
    // Space-padded, as the libraries fill them.
    std::memset(block->HA_ManagerId, ' ', sizeof(block->HA_ManagerId));
    std::memset(block->HA_Identifier, ' ', sizeof(block->HA_Identifier));
    std::memcpy(block->HA_ManagerId, adapter.manager.data(),
                std::min(adapter.manager.size(), sizeof(block->HA_ManagerId)));
    std::memcpy(block->HA_Identifier, adapter.identifier.data(),
                std::min(adapter.identifier.size(), sizeof(block->HA_Identifier)));
    std::memset(block->HA_Unique, 0, sizeof(block->HA_Unique));
    block->HA_Unique[0] = static_cast<BYTE>(adapter.alignmentMask);
    block->HA_Unique[1] = static_cast<BYTE>(adapter.alignmentMask >> 8);
    block->HA_Unique[3] = 16;  // targets per adapter
    for (int i = 0; i < 4; ++i) block->HA_Unique[4 + i] = static_cast<BYTE>(adapter.maxTransfer >> (8 * i));
    block->SRB_Status = SS_COMP;
  }
  m_host.Log(Format("HAINQ ha=%d -> status=%02X", block->SRB_HaId, block->SRB_Status));
  return block->SRB_Status;
}

DWORD AspiEngine::GetDeviceType(void* srb) {
  SRB_GDEVBlock* block = static_cast<SRB_GDEVBlock*>(srb);
  const EmulatedUnit* unit = m_profile.Find(block->SRB_HaId, block->SRB_Target, block->SRB_Lun);
  if (block->SRB_HaId >= m_profile.AdapterCount()) {
    block->SRB_Status = SS_INVALID_HA;
  } else if (unit == nullptr) {
    block->SRB_Status = SS_NO_DEVICE;
  } else {
    block->SRB_Status = SS_COMP;
    block->SRB_DeviceType = unit->deviceType;
  }
  m_host.Log(Format("GDEV ha=%d target=%d lun=%d -> status=%02X type=%02X", block->SRB_HaId, block->SRB_Target,
                    block->SRB_Lun, block->SRB_Status, block->SRB_DeviceType));
  return block->SRB_Status;
}

DWORD AspiEngine::ExecScsi(void* srb) {
  SRB_ExecSCSICmd* block = static_cast<SRB_ExecSCSICmd*>(srb);
  int cdbLength = std::min<int>(block->SRB_CDBLen, 16);
  m_host.Log(Format("EXEC ha=%d target=%d lun=%d flags=%02X buflen=%u senselen=%u cdb=%s", block->SRB_HaId,
                    block->SRB_Target, block->SRB_Lun, block->SRB_Flags, static_cast<unsigned>(block->SRB_BufLen),
                    block->SRB_SenseLen, HexBytes(block->CDBByte, static_cast<size_t>(cdbLength)).c_str()));
  const EmulatedUnit* unit = m_profile.Find(block->SRB_HaId, block->SRB_Target, block->SRB_Lun);
  bool notify = (block->SRB_Flags & SRB_EVENT_NOTIFY) != 0;
  if (unit != nullptr && unit->delayMilliseconds > 0 && notify) {
    {
      LockHold hold(m_lock);
      m_pending.insert(srb);
    }
    block->SRB_Status = SS_PENDING;
    void* event = block->SRB_PostProc;
    m_host.Defer(event, unit->delayMilliseconds, [this, srb, event]() {
      {
        LockHold hold(m_lock);
        if (m_pending.erase(srb) == 0) return;  // aborted meanwhile
      }
      Complete(srb);
      m_host.SignalEvent(event);
    });
    return SS_PENDING;
  }
  BYTE status = Complete(srb);
  if (notify) m_host.SignalEvent(block->SRB_PostProc);
  return status;
}

BYTE AspiEngine::Complete(void* srb) {
  SRB_ExecSCSICmd* block = static_cast<SRB_ExecSCSICmd*>(srb);
  const EmulatedUnit* unit = m_profile.Find(block->SRB_HaId, block->SRB_Target, block->SRB_Lun);
  BYTE status;
  if (unit == nullptr) {
    status = SS_NO_DEVICE;
  } else {
    ScsiOutcome outcome = Respond(*unit, block->CDBByte, block->SRB_CDBLen, block->SRB_BufLen);
    if (!outcome.data.empty() && block->SRB_BufPointer != nullptr)
      std::memcpy(block->SRB_BufPointer, outcome.data.data(), outcome.data.size());
    if (!outcome.transportOk) {
      status = SS_ERR;
      block->SRB_HaStat = 0x11;  // selection time-out
    } else if (outcome.status == kScsiStatusGood) {
      status = SS_COMP;
    } else {
      status = SS_ERR;
      block->SRB_TargStat = outcome.status;
      if (outcome.status == kScsiStatusCheckCondition) {
        size_t room = std::min<size_t>(block->SRB_SenseLen, sizeof(block->SenseArea));
        if (!outcome.sense.empty())
          std::memcpy(block->SenseArea, outcome.sense.data(), std::min(room, outcome.sense.size()));
      }
    }
  }
  m_host.Log(Format("DONE ha=%d target=%d -> status=%02X targ=%02X", block->SRB_HaId, block->SRB_Target, status,
                    block->SRB_TargStat));
  block->SRB_Status = status;
  return status;
}

DWORD AspiEngine::Abort(void* srb) {
  SRB_Abort* abort = static_cast<SRB_Abort*>(srb);
  bool found;
  {
    LockHold hold(m_lock);
    found = m_pending.erase(abort->SRB_ToAbort) != 0;
  }
  m_host.Log(Format("ABORT ha=%d -> %s", abort->SRB_HaId, found ? "aborted" : "not pending"));
  if (found) {
    SRB_ExecSCSICmd* target = static_cast<SRB_ExecSCSICmd*>(abort->SRB_ToAbort);
    target->SRB_Status = SS_ABORTED;
    m_host.SignalEvent(target->SRB_PostProc);
  }
  abort->SRB_Status = SS_COMP;
  return SS_COMP;
}

}  // namespace driveemu
