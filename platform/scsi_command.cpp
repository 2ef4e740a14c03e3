#include "platform/scsi_command.h"

#include <cstdio>
#include <cstring>

CommandOutcome::CommandOutcome()
    : failure(kNotSent), status(0), senseLength(0), transferred(kTransferUnknown), systemError(0) {
  std::memset(sense, 0, sizeof(sense));
  message[0] = '\0';
}

CommandOutcome CommandOutcome::NotCarried(Failure why, long code, const char* text) {
  CommandOutcome outcome;
  outcome.failure = why;
  outcome.systemError = code;
  if (text != nullptr) std::snprintf(outcome.message, sizeof(outcome.message), "%s", text);
  return outcome;
}

CommandOutcome CommandOutcome::FromStatus(unsigned char status, const unsigned char* sense, std::size_t senseLength,
                                          long transferred) {
  CommandOutcome outcome;
  outcome.failure = kCarried;
  outcome.status = status;
  outcome.transferred = transferred;
  if (status == kScsiStatusCheckCondition && sense != nullptr) {
    if (senseLength > sizeof(outcome.sense)) senseLength = sizeof(outcome.sense);
    std::memcpy(outcome.sense, sense, senseLength);
    outcome.senseLength = static_cast<unsigned char>(senseLength);
  }
  return outcome;
}

CommandOutcome::Kind CommandOutcome::kind() const {
  if (failure != kCarried) return kNotCarried;
  if (status == kScsiStatusGood) return kGood;
  return status == kScsiStatusCheckCondition ? kCheckCondition : kOtherStatus;
}
