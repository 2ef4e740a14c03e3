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

CommandOutcome CommandOutcome::NotCarried() {
  CommandOutcome outcome;
  std::memset(&outcome, 0, sizeof(outcome));
  outcome.kind = kNotCarried;
  return outcome;
}

CommandOutcome CommandOutcome::FromStatus(UCHAR status, const UCHAR* sense, std::size_t senseLength) {
  CommandOutcome outcome = NotCarried();
  outcome.status = status;
  if (status == kScsiStatusGood) {
    outcome.kind = kGood;
  } else if (status == kScsiStatusCheckCondition) {
    outcome.kind = kCheckCondition;
    if (sense != nullptr) {
      if (senseLength > sizeof(outcome.sense)) senseLength = sizeof(outcome.sense);
      std::memcpy(outcome.sense, sense, senseLength);
      outcome.senseLength = static_cast<UCHAR>(senseLength);
    }
  } else {
    outcome.kind = kOtherStatus;
  }
  return outcome;
}
