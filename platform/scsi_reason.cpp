// The outcome's reason in words, apart from the rest: only the report
// tells it, so the window does not carry it.
#include "platform/scsi_command.h"

std::string CommandOutcome::Reason() const {
  switch (failure) {
    case kCarried:
      return std::string();
    case kTimedOut:
      return "timed out";
    case kNoSuchDevice:
      return "no such device";
    case kSystemError:
      return message[0] == '\0' ? "system error " + std::to_string(systemError) : std::string(message);
    default:
      return message[0] == '\0' ? std::string("not sent") : std::string(message);
  }
}
