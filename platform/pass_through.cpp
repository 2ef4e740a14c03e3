#include "platform/pass_through.h"

#include <cstring>

void FillPassThroughRecord(ScsiPassThroughRecord* record, UCHAR cdbLength, UCHAR senseInfoLength, UCHAR dataIn,
                           void* buffer, ULONG bufferLength, ULONG timeOutSeconds) {
  std::memset(record, 0, sizeof(*record));
  record->Header.Length = sizeof(ScsiPassThroughDirect);
  record->Header.CdbLength = cdbLength;
  record->Header.SenseInfoLength = senseInfoLength;
  record->Header.DataIn = dataIn;
  record->Header.DataTransferLength = bufferLength;
  record->Header.TimeOutValue = timeOutSeconds;
  record->Header.DataBuffer = buffer;
  record->Header.SenseInfoOffset = offsetof(ScsiPassThroughRecord, SenseBuffer);
}
