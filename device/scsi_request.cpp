#include "device/scsi_request.h"

void InitScsiRequest(ScsiRequest* request, UCHAR cdbLength, UCHAR senseInfoLength, UCHAR dataIn, void* buffer,
                     ULONG bufferLength) {
  FillPassThroughRecord(request, cdbLength, senseInfoLength, dataIn, buffer, bufferLength, kScsiTimeOutSeconds);
}
