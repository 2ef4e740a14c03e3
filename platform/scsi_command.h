// One SCSI command as every road carries it (DriveCommand), and what
// became of it (CommandOutcome). Both are the system's neutral terms: the
// named commands build the one, every transport takes it, translates it
// once into its own record and gives the other back, so callers never weigh
// a transport's own result against the status byte.
#pragma once

#include <cstddef>
#include <string>

const unsigned char kScsiStatusGood = 0x00;
const unsigned char kScsiStatusCheckCondition = 0x02;
const std::size_t kMaxCdbLength = 16;
const std::size_t kMaxSenseLength = 32;

struct DriveCommand {
  enum Direction {
    kFromDrive,   // data in: the drive's answer into the buffer
    kToDrive,     // data out
    kUnspecified  // no direction given; only a command without data may go so
  };
  unsigned char cdb[kMaxCdbLength];  // the bytes past cdbLength are 0
  std::size_t cdbLength;             // 1 to 16
  Direction direction;
  void* buffer;
  std::size_t length;        // bytes of the buffer
  unsigned timeoutSeconds;   // how long the command may take before the system ends it
  std::size_t senseRoom;     // sense bytes wanted back, at most 32
};

const long kTransferUnknown = -1;

struct CommandOutcome {
  enum Kind {
    kNotCarried,      // nothing was sent, the system failed, or no status came back
    kGood,            // status GOOD: the data buffer holds the drive's answer
    kCheckCondition,  // status CHECK CONDITION: the sense bytes say why
    kOtherStatus      // any other status byte (BUSY, RESERVATION CONFLICT, ...)
  };
  // Why a command was not carried.
  enum Failure {
    kCarried,        // it was: a status came back
    kNotSent,        // nothing reached the system (no such drive, a malformed command, no ASPI entry)
    kTimedOut,       // the command did not end within its time-out
    kNoSuchDevice,   // the drive is not there (any more)
    kSystemError     // the system failed it otherwise; message says how
  };

  Failure failure;
  unsigned char status;       // the drive's status byte; 0 when not carried
  unsigned char senseLength;  // sense bytes delivered, after CHECK CONDITION only
  unsigned char sense[kMaxSenseLength];  // those bytes, the rest 0
  long transferred;           // bytes moved, or kTransferUnknown where the transport does not tell (ASPI)
  long systemError;           // the system's code for the failure (errno, a Windows error); 0 when none
  char message[96];           // the system's words for it, cut to fit; empty when none

  CommandOutcome();
  static CommandOutcome NotCarried(Failure why = kNotSent, long systemError = 0, const char* message = nullptr);
  // The outcome of a status byte that came back; sense (up to 32 bytes) is
  // kept for CHECK CONDITION only.
  static CommandOutcome FromStatus(unsigned char status, const unsigned char* sense, std::size_t senseLength,
                                   long transferred = kTransferUnknown);
  // What the command came to, from why it was not carried or else its status.
  Kind kind() const;
  bool Good() const { return kind() == kGood; }
  // Why the command was not carried, in a few words: "timed out", "no such
  // device", or the system's message; empty when it was carried.
  std::string Reason() const;
};

// Each failure's name, as the report writes it and a saved report is read
// back: "carried", "not sent", "timed out", "no such device", "system error".
const char* FailureName(CommandOutcome::Failure failure);
// The failure of that name; false when no failure has it.
bool FailureNamed(const std::string& name, CommandOutcome::Failure* failure);
