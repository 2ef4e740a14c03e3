// The outcome's failures in words, apart from the rest: only the report
// tells them, so the window does not carry them.
#include "platform/scsi_command.h"

namespace {

const struct {
  CommandOutcome::Failure failure;
  const char* name;
} kFailureNames[] = {
    {CommandOutcome::kCarried, "carried"},
    {CommandOutcome::kNotSent, "not sent"},
    {CommandOutcome::kTimedOut, "timed out"},
    {CommandOutcome::kNoSuchDevice, "no such device"},
    {CommandOutcome::kSystemError, "system error"},
};

}  // namespace

const char* FailureName(CommandOutcome::Failure failure) {
  for (const auto& known : kFailureNames)
    if (known.failure == failure) return known.name;
  return FailureName(CommandOutcome::kNotSent);
}

bool FailureNamed(const std::string& name, CommandOutcome::Failure* failure) {
  for (const auto& known : kFailureNames) {
    if (name != known.name) continue;
    *failure = known.failure;
    return true;
  }
  return false;
}

std::string CommandOutcome::Reason() const {
  if (failure == kCarried) return std::string();
  // The system's own words where it gave any; a time-out and a gone drive
  // are named alike whatever the system said.
  const bool ownWords = failure != kTimedOut && failure != kNoSuchDevice;
  if (ownWords && message[0] != '\0') return message;
  std::string reason = FailureName(failure);
  if (failure == kSystemError) reason += " " + std::to_string(systemError);
  return reason;
}
