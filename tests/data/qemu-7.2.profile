# The CD/DVD drives of QEMU 7.2 as the guest of scripts/qemu-test.sh met
# them, written as a profile of the emulated drives.
#
# Recorded in the guest: the vendor and product each drive gave in its
# INQUIRY answer, and bytes 2 to 7 of its capabilities page (2Ah), which
# it gave to MODE SENSE(10) with DBD set. Everything else follows the
# standard layouts and was not recorded: the INQUIRY answer is the 36-byte
# minimum (bytes 0 to 7: CD/DVD unit, removable, version 0, format 2,
# additional length 31; the revision, bytes 32 to 35, blank), and the page
# has the MMC length of 14h with speeds, volume levels and buffer size 0.

# ide-cd (hw/ide/atapi.c), on the PIIX IDE bus or an AHCI controller:
# "QEMU", "QEMU DVD-ROM".
device 0 0 0
  inquiry-hex 05 80 00 02 1F 00 00 00 51 45 4D 55 20 20 20 20 51 45 4D 55 20 44 56 44 2D 52 4F 4D 20 20 20 20 20 20 20 20
  mode-page 2A 14 3B 00 71 60 29 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00

# scsi-cd (hw/scsi/scsi-disk.c), on virtio-scsi: "QEMU", "QEMU CD-ROM".
device 0 1 0
  inquiry-hex 05 80 00 02 1F 00 00 00 51 45 4D 55 20 20 20 20 51 45 4D 55 20 43 44 2D 52 4F 4D 20 20 20 20 20 20 20 20 20
  mode-page 2A 14 3B 00 7F FF 2D 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00
