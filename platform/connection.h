// How a drive is reached: what the system tells, without a command to the
// drive, of the bus and the adapter between it and the drive. Each port
// fills what its system tells; a text it did not tell stays empty and a
// number -1, so that the report can say "not told" rather than guess.
#pragma once

#include <string>

struct DriveConnection {
  // Where it was read ("sysfs", "storage property query", "ASPI host
  // adapter inquiry"); empty when the system told nothing.
  std::string source;
  // The drive's bus, one of kBusNames; empty when not told.
  std::string bus;
  // The driver between the system and the drive (Linux: the SCSI host's,
  // "ahci", "ata_piix", "usb-storage", "uas", "virtio_scsi", ...).
  std::string driver;
  // Windows: the bus the adapter descriptor names, one of kBusNames.
  std::string adapterBus;
  // A USB device on the path (Linux): its IDs as four hex digits, its own
  // strings, and the link speed in Mbit/s as the system gives it ("480").
  std::string usbVendorId, usbProductId, usbManufacturer, usbProduct, usbSpeed;
  // The strings the system read from the drive (Windows' device
  // descriptor; Linux: the serial number of VPD page 80h where the kernel
  // read it).
  std::string vendor, product, revision, serial;
  // ASPI: the host adapter's manager and identifier strings.
  std::string aspiManager, aspiAdapter;
  // The adapter's largest transfer, in bytes, and its alignment mask: data
  // buffers must start at an address whose bits under the mask are zero.
  long long maxTransfer = -1;
  long long alignmentMask = -1;

  bool Told() const { return !source.empty(); }
  // Whether the path runs through a bridge (USB, IEEE 1394), whose firmware
  // may alter or refuse commands on the drive's behalf.
  bool Bridged() const;
  // The connection in a few words: "USB (uas)", "ATA (ahci)", "SCSI"; empty
  // when nothing was told.
  std::string Short() const;
};

// The buses a connection names, in the words the report prints.
extern const char* const kBusUsb;
extern const char* const kBus1394;
