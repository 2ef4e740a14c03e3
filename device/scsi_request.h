// ScsiRequest: the record in which every SCSI command travels, whichever
// transport carries it: the seam's pass-through header, a filler and a
// 32-byte sense area. The whole record is both the input and the output
// buffer of the pass-through control. CommandOutcome: what became of it.
#pragma once

#include <cstddef>

#include "platform/pass_through.h"

struct ScsiRequest {
  ScsiPassThroughDirect Header;
  ULONG AlignPad;
  UCHAR SenseBuffer[32];
};

// The two values that depend on the pointer width: the header's size goes
// into Length, the sense area's offset into SenseInfoOffset.
const USHORT kScsiHeaderLength = sizeof(ScsiPassThroughDirect);
const ULONG kScsiSenseOffset = offsetof(ScsiRequest, SenseBuffer);

const UCHAR kScsiStatusGood = 0x00;
const UCHAR kScsiStatusCheckCondition = 0x02;
const UCHAR kScsiStatusBusy = 0x08;
const ULONG kScsiTimeOutSeconds = 15;

#if !defined(_WIN64) && (defined(_WIN32) || UINTPTR_MAX == 0xFFFFFFFFu)
static_assert(sizeof(ScsiRequest) == 80, "request is 80 bytes");
static_assert(offsetof(ScsiRequest, AlignPad) == 44, "AlignPad at 44");
static_assert(offsetof(ScsiRequest, SenseBuffer) == 48, "SenseBuffer at 48");
#else
static_assert(offsetof(ScsiRequest, SenseBuffer) == 60, "SenseBuffer at 60");
#endif

// Zero-fills the record and sets the fields every builder sets; the caller
// then fills the CDB bytes.
void InitScsiRequest(ScsiRequest* request, UCHAR cdbLength, UCHAR senseInfoLength, UCHAR dataIn, void* buffer,
                     ULONG bufferLength);

// What became of one command. Both transports report through this alone,
// so callers never weigh a transport's own result against the status byte.
struct CommandOutcome {
  enum Kind {
    kNotCarried,      // nothing was sent, the transport failed, or no status came back
    kGood,            // status GOOD: the data buffer holds the drive's answer
    kCheckCondition,  // status CHECK CONDITION: the sense bytes say why
    kOtherStatus      // any other status byte (BUSY, RESERVATION CONFLICT, ...)
  };

  Kind kind;
  UCHAR status;       // the drive's status byte; 0 when not carried
  UCHAR senseLength;  // sense bytes delivered, after CHECK CONDITION only
  UCHAR sense[32];    // those bytes, the rest 0

  static CommandOutcome NotCarried();
  // The outcome of a status byte that came back; sense (up to 32 bytes) is
  // kept for CHECK CONDITION only.
  static CommandOutcome FromStatus(UCHAR status, const UCHAR* sense, std::size_t senseLength);
  bool Good() const { return kind == kGood; }
};
