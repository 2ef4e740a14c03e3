#include "device/scsi_request.h"

#include <cstring>

void InitScsiRequest(ScsiRequest* request, UCHAR cdbLength, UCHAR senseInfoLength, UCHAR dataIn, void* buffer,
                     ULONG bufferLength) {
  std::memset(request, 0, sizeof(*request));
  request->Header.Length = kScsiHeaderLength;
  request->Header.CdbLength = cdbLength;
  request->Header.SenseInfoLength = senseInfoLength;
  request->Header.DataIn = dataIn;
  request->Header.DataTransferLength = bufferLength;
  request->Header.TimeOutValue = kScsiTimeOutSeconds;
  request->Header.DataBuffer = buffer;
  request->Header.SenseInfoOffset = kScsiSenseOffset;
}
