// ASPI for Win32: the request blocks and values of the library's published
// interface, which the device list calls and the emulated library answers;
// byte-packed. ASPI exists for 32-bit programs; a 64-bit build keeps the
// same declarations with native pointer widths.
#pragma once

#include <cstddef>

#include "platform/wintypes.h"

#define SC_HA_INQUIRY 0x00
#define SC_GET_DEV_TYPE 0x01
#define SC_EXEC_SCSI_CMD 0x02
#define SC_ABORT_SRB 0x03

#define SS_PENDING 0x00
#define SS_COMP 0x01
#define SS_ABORTED 0x02
#define SS_ERR 0x04
#define SS_INVALID_CMD 0x80
#define SS_INVALID_HA 0x81
#define SS_NO_DEVICE 0x82
#define SS_NO_ADAPTERS 0xE8

#define SRB_DIR_IN 0x08
#define SRB_DIR_OUT 0x10
#define SRB_EVENT_NOTIFY 0x40

#define SENSE_LEN 14

#pragma pack(push, 1)
struct SRB_Header {
  BYTE SRB_Cmd;
  BYTE SRB_Status;
  BYTE SRB_HaId;
  BYTE SRB_Flags;
  DWORD SRB_Hdr_Rsvd;
};

// SC_HA_INQUIRY. HA_Unique: bytes 0-1 the buffer alignment mask, byte 2
// residual byte count support, byte 3 the largest target count, bytes 4-7
// the largest transfer in bytes.
struct SRB_HAInquiry {
  BYTE SRB_Cmd;
  BYTE SRB_Status;
  BYTE SRB_HaId;
  BYTE SRB_Flags;
  DWORD SRB_Hdr_Rsvd;
  BYTE HA_Count;
  BYTE HA_SCSI_ID;
  BYTE HA_ManagerId[16];
  BYTE HA_Identifier[16];
  BYTE HA_Unique[16];
  WORD HA_Rsvd1;
};

struct SRB_GDEVBlock {
  BYTE SRB_Cmd;
  BYTE SRB_Status;
  BYTE SRB_HaId;
  BYTE SRB_Flags;
  DWORD SRB_Hdr_Rsvd;
  BYTE SRB_Target;
  BYTE SRB_Lun;
  BYTE SRB_DeviceType;
  BYTE SRB_Rsvd1;
};

struct SRB_ExecSCSICmd {
  BYTE SRB_Cmd;
  BYTE SRB_Status;
  BYTE SRB_HaId;
  BYTE SRB_Flags;
  DWORD SRB_Hdr_Rsvd;
  BYTE SRB_Target;
  BYTE SRB_Lun;
  WORD SRB_Rsvd1;
  DWORD SRB_BufLen;
  BYTE* SRB_BufPointer;
  BYTE SRB_SenseLen;
  BYTE SRB_CDBLen;
  BYTE SRB_HaStat;
  BYTE SRB_TargStat;
  void* SRB_PostProc;
  BYTE SRB_Rsvd2[20];
  BYTE CDBByte[16];
  BYTE SenseArea[SENSE_LEN + 2];
};

struct SRB_Abort {
  BYTE SRB_Cmd;
  BYTE SRB_Status;
  BYTE SRB_HaId;
  BYTE SRB_Flags;
  DWORD SRB_Hdr_Rsvd;
  void* SRB_ToAbort;
};
#pragma pack(pop)

static_assert(sizeof(SRB_HAInquiry) == 60, "SRB_HAInquiry is 60 bytes");
static_assert(offsetof(SRB_HAInquiry, SRB_HaId) == 2, "SRB_HaId at 2");
static_assert(offsetof(SRB_HAInquiry, HA_Count) == 8, "HA_Count at 8");
static_assert(offsetof(SRB_HAInquiry, HA_SCSI_ID) == 9, "HA_SCSI_ID at 9");
static_assert(offsetof(SRB_HAInquiry, HA_ManagerId) == 10, "HA_ManagerId at 10");
static_assert(offsetof(SRB_HAInquiry, HA_Identifier) == 26, "HA_Identifier at 26");
static_assert(offsetof(SRB_HAInquiry, HA_Unique) == 42, "HA_Unique at 42");
static_assert(offsetof(SRB_HAInquiry, HA_Rsvd1) == 58, "HA_Rsvd1 at 58");
static_assert(sizeof(SRB_GDEVBlock) == 12, "SRB_GDEVBlock is 12 bytes");
static_assert(offsetof(SRB_GDEVBlock, SRB_DeviceType) == 10, "SRB_DeviceType at 10");
static_assert(offsetof(SRB_ExecSCSICmd, SRB_BufLen) == 12, "SRB_BufLen at 12");
static_assert(offsetof(SRB_ExecSCSICmd, SRB_BufPointer) == 16, "SRB_BufPointer at 16");
#if !defined(_WIN64) && (defined(_WIN32) || UINTPTR_MAX == 0xFFFFFFFFu)
static_assert(sizeof(SRB_ExecSCSICmd) == 80, "SRB_ExecSCSICmd is 80 bytes");
static_assert(offsetof(SRB_ExecSCSICmd, SRB_SenseLen) == 20, "SRB_SenseLen at 20");
static_assert(offsetof(SRB_ExecSCSICmd, SRB_TargStat) == 23, "SRB_TargStat at 23");
static_assert(offsetof(SRB_ExecSCSICmd, SRB_PostProc) == 24, "SRB_PostProc at 24");
static_assert(offsetof(SRB_ExecSCSICmd, CDBByte) == 48, "CDBByte at 48");
static_assert(offsetof(SRB_ExecSCSICmd, SenseArea) == 64, "SenseArea at 64");
#else
static_assert(sizeof(SRB_ExecSCSICmd) == 88, "64-bit SRB_ExecSCSICmd is 88 bytes");
static_assert(offsetof(SRB_ExecSCSICmd, SenseArea) == 72, "64-bit SenseArea at 72");
#endif
