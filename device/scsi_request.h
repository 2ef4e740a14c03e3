// ScsiRequest: the record in which every SCSI command travels, whichever
// transport carries it: Windows' pass-through header, a filler and a
// 32-byte sense area (platform/pass_through.h). CommandOutcome
// (platform/scsi_command.h): what became of it.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/pass_through.h"
#include "platform/scsi_command.h"

typedef ScsiPassThroughRecord ScsiRequest;

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

// What one command came to: its CDB, its outcome and, when the drive
// answered GOOD, the bytes that came: as many as the transport says moved,
// else (ASPI) the whole answer buffer. A command never sent has sent false.
struct CommandAnswer {
  bool sent = false;
  std::vector<BYTE> cdb;
  CommandOutcome outcome;
  std::vector<BYTE> data;
  bool Good() const { return outcome.Good(); }
};
