#include "platform/pass_through.h"

#include <cstring>

void FillPassThroughRecord(ScsiPassThroughRecord* record, const DriveCommand& command) {
  static const UCHAR kDataIn[] = {SCSI_IOCTL_DATA_IN, SCSI_IOCTL_DATA_OUT, SCSI_IOCTL_DATA_UNSPECIFIED};
  std::memset(record, 0, sizeof(*record));
  record->Header.Length = sizeof(ScsiPassThroughDirect);
  record->Header.CdbLength = static_cast<UCHAR>(command.cdbLength);
  record->Header.SenseInfoLength = static_cast<UCHAR>(command.senseRoom);
  record->Header.DataIn = kDataIn[command.direction];
  record->Header.DataTransferLength = static_cast<ULONG>(command.length);
  record->Header.TimeOutValue = command.timeoutSeconds;
  record->Header.DataBuffer = command.buffer;
  record->Header.SenseInfoOffset = offsetof(ScsiPassThroughRecord, SenseBuffer);
  std::memcpy(record->Header.Cdb, command.cdb, command.cdbLength);
}

namespace {

// STORAGE_BUS_TYPE by value; a null entry is a value with no word (unknown).
const char* const kStorageBusNames[] = {
    nullptr, "SCSI", "ATAPI", "ATA", kBus1394, "SSA", "Fibre Channel", kBusUsb, "RAID", "iSCSI", "SAS", "SATA",
    "SD", "MMC", "virtual", "file-backed virtual", "Storage Spaces", "NVMe", "SCM", "UFS"};

DWORD Dword(const BYTE* bytes, std::size_t at) {
  return static_cast<DWORD>(bytes[at]) | static_cast<DWORD>(bytes[at + 1]) << 8 |
         static_cast<DWORD>(bytes[at + 2]) << 16 | static_cast<DWORD>(bytes[at + 3]) << 24;
}

// The descriptor's extent: what came back, and no more than it says it
// holds. Zero when the bytes cannot even hold the Version and Size.
std::size_t DescriptorExtent(const BYTE* bytes, std::size_t length) {
  if (bytes == nullptr || length < 8) return 0;
  const DWORD size = Dword(bytes, offsetof(StorageDeviceDescriptor, Size));
  return size < length ? size : length;
}

bool Holds(std::size_t extent, std::size_t offset, std::size_t width) { return offset + width <= extent; }

// The NUL-terminated string at an offset, without its padding. A string
// that starts outside the descriptor or does not end inside it was cut off
// or never there: it gives nothing.
std::string DescriptorString(const BYTE* bytes, std::size_t extent, std::size_t fieldAt) {
  if (!Holds(extent, fieldAt, 4)) return std::string();
  const DWORD offset = Dword(bytes, fieldAt);
  if (offset == 0 || offset >= extent) return std::string();
  const BYTE* start = bytes + offset;
  const void* end = std::memchr(start, 0, extent - offset);
  if (end == nullptr) return std::string();
  std::string text(reinterpret_cast<const char*>(start), static_cast<const BYTE*>(end) - start);
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

std::string StorageBusName(DWORD busType) {
  const std::size_t known = sizeof(kStorageBusNames) / sizeof(kStorageBusNames[0]);
  if (busType < known) return kStorageBusNames[busType] != nullptr ? kStorageBusNames[busType] : "";
  return "bus type " + std::to_string(busType);
}

bool DecodeDeviceDescriptor(const BYTE* bytes, std::size_t length, DriveConnection* connection) {
  const std::size_t extent = DescriptorExtent(bytes, length);
  if (extent == 0) return false;
  connection->vendor = DescriptorString(bytes, extent, offsetof(StorageDeviceDescriptor, VendorIdOffset));
  connection->product = DescriptorString(bytes, extent, offsetof(StorageDeviceDescriptor, ProductIdOffset));
  connection->revision = DescriptorString(bytes, extent, offsetof(StorageDeviceDescriptor, ProductRevisionOffset));
  connection->serial = DescriptorString(bytes, extent, offsetof(StorageDeviceDescriptor, SerialNumberOffset));
  const std::size_t busAt = offsetof(StorageDeviceDescriptor, BusType);
  if (Holds(extent, busAt, 4)) connection->bus = StorageBusName(Dword(bytes, busAt));
  return true;
}

bool DecodeAdapterDescriptor(const BYTE* bytes, std::size_t length, DriveConnection* connection) {
  const std::size_t extent = DescriptorExtent(bytes, length);
  if (extent == 0) return false;
  const std::size_t maxAt = offsetof(StorageAdapterDescriptor, MaximumTransferLength);
  const std::size_t maskAt = offsetof(StorageAdapterDescriptor, AlignmentMask);
  const std::size_t busAt = offsetof(StorageAdapterDescriptor, BusType);
  if (Holds(extent, maxAt, 4)) connection->maxTransfer = Dword(bytes, maxAt);
  if (Holds(extent, maskAt, 4)) connection->alignmentMask = Dword(bytes, maskAt);
  if (Holds(extent, busAt, 1)) connection->adapterBus = StorageBusName(bytes[busAt]);
  return true;
}
