#include "platform/scsi_command.h"

#include <cstdio>
#include <cstring>

namespace {
const unsigned char kStatusGood = 0x00;
const unsigned char kStatusCheckCondition = 0x02;
}  // namespace

CommandOutcome::CommandOutcome()
    : kind(kNotCarried), status(0), senseLength(0), transferred(kTransferUnknown), failure(kNotSent),
      systemError(0) {
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
  if (status == kStatusGood) {
    outcome.kind = kGood;
  } else if (status == kStatusCheckCondition) {
    outcome.kind = kCheckCondition;
    if (sense != nullptr) {
      if (senseLength > sizeof(outcome.sense)) senseLength = sizeof(outcome.sense);
      std::memcpy(outcome.sense, sense, senseLength);
      outcome.senseLength = static_cast<unsigned char>(senseLength);
    }
  } else {
    outcome.kind = kOtherStatus;
  }
  return outcome;
}
