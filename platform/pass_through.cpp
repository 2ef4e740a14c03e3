#include "platform/pass_through.h"

#include <cstring>

void FillPassThroughRecord(ScsiPassThroughRecord* record, const DriveCommand& command) {
  static const UCHAR kDataIn[] = {SCSI_IOCTL_DATA_IN, SCSI_IOCTL_DATA_OUT, SCSI_IOCTL_DATA_UNSPECIFIED};
  std::memset(record, 0, sizeof(*record));
  record->Header.Length = sizeof(ScsiPassThroughDirect);
  record->Header.CdbLength = static_cast<UCHAR>(command.cdbLength);
  record->Header.SenseInfoLength = static_cast<UCHAR>(command.senseRoom);
  record->Header.DataIn = kDataIn[command.direction];
  record->Header.DataTransferLength = static_cast<ULONG>(command.length);
  record->Header.TimeOutValue = command.timeoutSeconds;
  record->Header.DataBuffer = command.buffer;
  record->Header.SenseInfoOffset = offsetof(ScsiPassThroughRecord, SenseBuffer);
  std::memcpy(record->Header.Cdb, command.cdb, command.cdbLength);
}
