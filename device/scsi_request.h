// ScsiRequest: the record in which every SCSI command travels, whichever
// transport carries it. It is the platform's SCSI_PASS_THROUGH_DIRECT header
// followed by a filler and a 32-byte sense area, and the whole record is
// both the input and the output buffer of the pass-through control.
#pragma once

#include <cstddef>

#include "platform/wintypes.h"

struct ScsiPassThroughDirect {
  USHORT Length;
  UCHAR ScsiStatus;
  UCHAR PathId;
  UCHAR TargetId;
  UCHAR Lun;
  UCHAR CdbLength;
  UCHAR SenseInfoLength;
  UCHAR DataIn;
  ULONG DataTransferLength;
  ULONG TimeOutValue;
  void* DataBuffer;
  ULONG SenseInfoOffset;
  UCHAR Cdb[16];
};

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
// 32-bit: exactly the platform's layout, every offset fixed.
static_assert(sizeof(ScsiRequest) == 80, "request is 80 bytes");
static_assert(sizeof(ScsiPassThroughDirect) == 44, "header is 44 bytes");
static_assert(offsetof(ScsiPassThroughDirect, ScsiStatus) == 2, "ScsiStatus at 2");
static_assert(offsetof(ScsiPassThroughDirect, PathId) == 3, "PathId at 3");
static_assert(offsetof(ScsiPassThroughDirect, TargetId) == 4, "TargetId at 4");
static_assert(offsetof(ScsiPassThroughDirect, Lun) == 5, "Lun at 5");
static_assert(offsetof(ScsiPassThroughDirect, CdbLength) == 6, "CdbLength at 6");
static_assert(offsetof(ScsiPassThroughDirect, SenseInfoLength) == 7, "SenseInfoLength at 7");
static_assert(offsetof(ScsiPassThroughDirect, DataIn) == 8, "DataIn at 8");
static_assert(offsetof(ScsiPassThroughDirect, DataTransferLength) == 12, "DataTransferLength at 12");
static_assert(offsetof(ScsiPassThroughDirect, TimeOutValue) == 16, "TimeOutValue at 16");
static_assert(offsetof(ScsiPassThroughDirect, DataBuffer) == 20, "DataBuffer at 20");
static_assert(offsetof(ScsiPassThroughDirect, SenseInfoOffset) == 24, "SenseInfoOffset at 24");
static_assert(offsetof(ScsiPassThroughDirect, Cdb) == 28, "Cdb at 28");
static_assert(offsetof(ScsiRequest, AlignPad) == 44, "AlignPad at 44");
static_assert(offsetof(ScsiRequest, SenseBuffer) == 48, "SenseBuffer at 48");
#else
// 64-bit: the platform's 64-bit header (pointer aligned to 8, 56 bytes).
static_assert(sizeof(ScsiPassThroughDirect) == 56, "64-bit header is 56 bytes");
static_assert(offsetof(ScsiPassThroughDirect, DataTransferLength) == 12, "DataTransferLength at 12");
static_assert(offsetof(ScsiPassThroughDirect, TimeOutValue) == 16, "TimeOutValue at 16");
static_assert(offsetof(ScsiPassThroughDirect, DataBuffer) == 24, "DataBuffer at 24");
static_assert(offsetof(ScsiPassThroughDirect, SenseInfoOffset) == 32, "SenseInfoOffset at 32");
static_assert(offsetof(ScsiPassThroughDirect, Cdb) == 36, "Cdb at 36");
static_assert(offsetof(ScsiRequest, SenseBuffer) == 60, "SenseBuffer at 60");
#endif

#ifdef _WIN32
// Our header must match the platform's own declaration wherever we have it.
#include <winioctl.h>
#include <ntddscsi.h>
static_assert(IOCTL_SCSI_PASS_THROUGH_DIRECT == kIoctlScsiPassThroughDirect, "pass-through control code");
static_assert(sizeof(ScsiPassThroughDirect) == sizeof(SCSI_PASS_THROUGH_DIRECT), "header size as the platform's");
static_assert(offsetof(ScsiPassThroughDirect, DataBuffer) == offsetof(SCSI_PASS_THROUGH_DIRECT, DataBuffer),
              "DataBuffer as the platform's");
static_assert(offsetof(ScsiPassThroughDirect, SenseInfoOffset) ==
                  offsetof(SCSI_PASS_THROUGH_DIRECT, SenseInfoOffset),
              "SenseInfoOffset as the platform's");
static_assert(offsetof(ScsiPassThroughDirect, Cdb) == offsetof(SCSI_PASS_THROUGH_DIRECT, Cdb),
              "Cdb as the platform's");
#endif

// Zero-fills the record and sets the fields every builder sets; the caller
// then fills the CDB bytes.
void InitScsiRequest(ScsiRequest* request, UCHAR cdbLength, UCHAR senseInfoLength, UCHAR dataIn, void* buffer,
                     ULONG bufferLength);
