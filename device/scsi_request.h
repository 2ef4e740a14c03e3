// ScsiRequest: the window's record of one SCSI command, the pass-through
// header, a filler and a 32-byte sense area (platform/pass_through.h), as
// DeviceList::ExecuteRequest takes it. Everything else sends the neutral
// command (device/commands.h); these are the two ways between them.
#pragma once

#include <cstddef>

#include "device/commands.h"
#include "platform/pass_through.h"

typedef ScsiPassThroughRecord ScsiRequest;

#if !defined(_WIN64) && (defined(_WIN32) || UINTPTR_MAX == 0xFFFFFFFFu)
static_assert(sizeof(ScsiRequest) == 80, "request is 80 bytes");
static_assert(offsetof(ScsiRequest, AlignPad) == 44, "AlignPad at 44");
static_assert(offsetof(ScsiRequest, SenseBuffer) == 48, "SenseBuffer at 48");
#else
static_assert(offsetof(ScsiRequest, SenseBuffer) == 60, "SenseBuffer at 60");
#endif

// The record of MODE SENSE(10) of the capabilities page (ModeSenseCommand)
// for `answer`, which it zeroes (kModeSenseAnswerLength bytes).
void BuildModeSenseRequest(ScsiRequest* request, BYTE* answer);

// The command a record asks for.
DriveCommand CommandOfRequest(const ScsiRequest& request);
// Writes what came back into the record, as the record's transports do: a
// status that came back into ScsiStatus, after CHECK CONDITION the sense
// bytes delivered into SenseBuffer (the rest untouched), and the length
// moved into DataTransferLength where the transport tells it. A command not
// carried leaves the record as it was.
void ReturnIntoRequest(const CommandOutcome& outcome, ScsiRequest* request);
