// Windows' SCSI pass-through control: its control code, the header of the
// record it carries (the platform's SCSI_PASS_THROUGH_DIRECT), and the
// record itself: the header, a filler and a 32-byte sense area, at the
// offset SenseInfoOffset names. The Windows drive port sends it; whatever
// answers DeviceIoControl with this code (the system, the test stand-in)
// reads and fills it.
#pragma once

#include <cstddef>
#include <string>

#include "platform/connection.h"
#include "platform/scsi_command.h"
#include "platform/wintypes.h"
#ifdef _WIN32
#include <winioctl.h>
#include <ntddscsi.h>
#endif

const DWORD kIoctlScsiPassThroughDirect = 0x4D014;
// IOCTL_STORAGE_GET_DEVICE_NUMBER, and the record it fills: which device
// of its type a handle is open on, so that two handles can be told to be
// the same drive.
const DWORD kIoctlStorageGetDeviceNumber = 0x2D1080;
struct StorageDeviceNumber {
  DWORD DeviceType;
  DWORD DeviceNumber;
  DWORD PartitionNumber;
};
// IOCTL_STORAGE_QUERY_PROPERTY: what the storage stack knows of a device
// (its descriptor) or of the adapter it sits on, asked with a property
// query and answered as a descriptor whose strings sit at offsets inside
// the bytes returned.
const DWORD kIoctlStorageQueryProperty = 0x2D1400;
const DWORD kStorageDeviceProperty = 0;
const DWORD kStorageAdapterProperty = 1;
const DWORD kPropertyStandardQuery = 0;
struct StoragePropertyQuery {
  DWORD PropertyId;
  DWORD QueryType;
  UCHAR AdditionalParameters[1];
};
struct StorageDeviceDescriptor {
  DWORD Version;
  DWORD Size;
  UCHAR DeviceType;
  UCHAR DeviceTypeModifier;
  UCHAR RemovableMedia;
  UCHAR CommandQueueing;
  DWORD VendorIdOffset;
  DWORD ProductIdOffset;
  DWORD ProductRevisionOffset;
  DWORD SerialNumberOffset;
  DWORD BusType;
  DWORD RawPropertiesLength;
  UCHAR RawDeviceProperties[1];
};
// Later systems append fields after BusMinorVersion; we read none of them.
struct StorageAdapterDescriptor {
  DWORD Version;
  DWORD Size;
  DWORD MaximumTransferLength;
  DWORD MaximumPhysicalPages;
  DWORD AlignmentMask;
  UCHAR AdapterUsesPio;
  UCHAR AdapterScansDown;
  UCHAR CommandQueueing;
  UCHAR AcceleratedTransfer;
  UCHAR BusType;
  USHORT BusMajorVersion;
  USHORT BusMinorVersion;
};
static_assert(sizeof(StoragePropertyQuery) == 12, "property query is 12 bytes");
static_assert(offsetof(StorageDeviceDescriptor, DeviceType) == 8, "DeviceType at 8");
static_assert(offsetof(StorageDeviceDescriptor, VendorIdOffset) == 12, "VendorIdOffset at 12");
static_assert(offsetof(StorageDeviceDescriptor, ProductIdOffset) == 16, "ProductIdOffset at 16");
static_assert(offsetof(StorageDeviceDescriptor, ProductRevisionOffset) == 20, "ProductRevisionOffset at 20");
static_assert(offsetof(StorageDeviceDescriptor, SerialNumberOffset) == 24, "SerialNumberOffset at 24");
static_assert(offsetof(StorageDeviceDescriptor, BusType) == 28, "BusType at 28");
static_assert(offsetof(StorageDeviceDescriptor, RawDeviceProperties) == 36, "RawDeviceProperties at 36");
static_assert(offsetof(StorageAdapterDescriptor, MaximumTransferLength) == 8, "MaximumTransferLength at 8");
static_assert(offsetof(StorageAdapterDescriptor, AlignmentMask) == 16, "AlignmentMask at 16");
static_assert(offsetof(StorageAdapterDescriptor, BusType) == 24, "adapter BusType at 24");
static_assert(offsetof(StorageAdapterDescriptor, BusMajorVersion) == 26, "BusMajorVersion at 26");
static_assert(offsetof(StorageAdapterDescriptor, BusMinorVersion) == 28, "BusMinorVersion at 28");

// The word for a STORAGE_BUS_TYPE: one of the connection's bus names,
// empty for 0 (unknown), "bus type N" for a value we do not know.
std::string StorageBusName(DWORD busType);
// Fill the connection from a device descriptor or an adapter descriptor of
// `length` returned bytes; nothing is read outside them. Each returns
// whether the bytes held a descriptor at all.
bool DecodeDeviceDescriptor(const BYTE* bytes, std::size_t length, DriveConnection* connection);
bool DecodeAdapterDescriptor(const BYTE* bytes, std::size_t length, DriveConnection* connection);

const UINT kDriveCdrom = 5;  // GetDriveTypeA's DRIVE_CDROM
#ifndef SCSI_IOCTL_DATA_OUT
#define SCSI_IOCTL_DATA_OUT 0
#define SCSI_IOCTL_DATA_IN 1
#define SCSI_IOCTL_DATA_UNSPECIFIED 2
#endif

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

#if !defined(_WIN64) && (defined(_WIN32) || UINTPTR_MAX == 0xFFFFFFFFu)
// 32-bit: exactly the platform's layout, every offset fixed.
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
#else
// 64-bit: the platform's 64-bit header (pointer aligned to 8, 56 bytes).
static_assert(sizeof(ScsiPassThroughDirect) == 56, "64-bit header is 56 bytes");
static_assert(offsetof(ScsiPassThroughDirect, DataTransferLength) == 12, "DataTransferLength at 12");
static_assert(offsetof(ScsiPassThroughDirect, TimeOutValue) == 16, "TimeOutValue at 16");
static_assert(offsetof(ScsiPassThroughDirect, DataBuffer) == 24, "DataBuffer at 24");
static_assert(offsetof(ScsiPassThroughDirect, SenseInfoOffset) == 32, "SenseInfoOffset at 32");
static_assert(offsetof(ScsiPassThroughDirect, Cdb) == 36, "Cdb at 36");
#endif

struct ScsiPassThroughRecord {
  ScsiPassThroughDirect Header;
  ULONG AlignPad;
  UCHAR SenseBuffer[32];
};

// The record of a command: zero-filled, then Length, SenseInfoOffset and
// the command's CDB, direction, buffer, sense room and time-out, nothing
// else. A malformed command (MalformedCommand) is the caller's to refuse.
void FillPassThroughRecord(ScsiPassThroughRecord* record, const DriveCommand& command);

#ifdef _WIN32
// Our header must match the platform's own declaration wherever we have it.
static_assert(IOCTL_SCSI_PASS_THROUGH_DIRECT == kIoctlScsiPassThroughDirect, "pass-through control code");
static_assert(IOCTL_STORAGE_GET_DEVICE_NUMBER == kIoctlStorageGetDeviceNumber, "device number control code");
static_assert(sizeof(StorageDeviceNumber) == sizeof(STORAGE_DEVICE_NUMBER), "device number record");
static_assert(DRIVE_CDROM == kDriveCdrom, "CD-ROM drive type");
static_assert(IOCTL_STORAGE_QUERY_PROPERTY == kIoctlStorageQueryProperty, "property query control code");
static_assert(StorageDeviceProperty == kStorageDeviceProperty && StorageAdapterProperty == kStorageAdapterProperty,
              "property ids");
static_assert(PropertyStandardQuery == kPropertyStandardQuery, "standard query");
static_assert(BusType1394 == 4 && BusTypeUsb == 7, "the bridged buses' numbers");
static_assert(sizeof(StoragePropertyQuery) == sizeof(STORAGE_PROPERTY_QUERY), "property query as the platform's");
static_assert(offsetof(StorageDeviceDescriptor, VendorIdOffset) == offsetof(STORAGE_DEVICE_DESCRIPTOR, VendorIdOffset),
              "VendorIdOffset as the platform's");
static_assert(offsetof(StorageDeviceDescriptor, SerialNumberOffset) ==
                  offsetof(STORAGE_DEVICE_DESCRIPTOR, SerialNumberOffset),
              "SerialNumberOffset as the platform's");
static_assert(offsetof(StorageDeviceDescriptor, BusType) == offsetof(STORAGE_DEVICE_DESCRIPTOR, BusType),
              "BusType as the platform's");
static_assert(offsetof(StorageDeviceDescriptor, RawDeviceProperties) ==
                  offsetof(STORAGE_DEVICE_DESCRIPTOR, RawDeviceProperties),
              "RawDeviceProperties as the platform's");
static_assert(offsetof(StorageAdapterDescriptor, MaximumTransferLength) ==
                  offsetof(STORAGE_ADAPTER_DESCRIPTOR, MaximumTransferLength),
              "MaximumTransferLength as the platform's");
static_assert(offsetof(StorageAdapterDescriptor, AlignmentMask) == offsetof(STORAGE_ADAPTER_DESCRIPTOR, AlignmentMask),
              "AlignmentMask as the platform's");
static_assert(offsetof(StorageAdapterDescriptor, BusType) == offsetof(STORAGE_ADAPTER_DESCRIPTOR, BusType),
              "adapter BusType as the platform's");
static_assert(offsetof(StorageAdapterDescriptor, BusMinorVersion) ==
                  offsetof(STORAGE_ADAPTER_DESCRIPTOR, BusMinorVersion),
              "BusMinorVersion as the platform's");

static_assert(sizeof(ScsiPassThroughDirect) == sizeof(SCSI_PASS_THROUGH_DIRECT), "header size as the platform's");
static_assert(offsetof(ScsiPassThroughDirect, DataBuffer) == offsetof(SCSI_PASS_THROUGH_DIRECT, DataBuffer),
              "DataBuffer as the platform's");
static_assert(offsetof(ScsiPassThroughDirect, SenseInfoOffset) ==
                  offsetof(SCSI_PASS_THROUGH_DIRECT, SenseInfoOffset),
              "SenseInfoOffset as the platform's");
static_assert(offsetof(ScsiPassThroughDirect, Cdb) == offsetof(SCSI_PASS_THROUGH_DIRECT, Cdb),
              "Cdb as the platform's");
#endif
