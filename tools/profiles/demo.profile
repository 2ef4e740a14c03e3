# A computer with five drives on two host adapters, for trying the program
# under Wine without a drive. Capability page bytes 2 to 7, in hex:
#   2 read  (01 CD-R, 02 CD-RW, 04 method 2, 08 DVD-ROM, 10 DVD-R, 20 DVD-RAM)
#   3 write (01 CD-R, 02 CD-RW, 04 test write, 10 DVD-R, 20 DVD-RAM)
#   4 audio play 01, mode 2 form 1 10, form 2 20, multisession 40
#   5 CD-DA 01, accurate stream 02, ISRC 20, UPC 40
#   6 lock 01, locked now 02, eject 08, loading mechanism in bits 5 to 7
#   7 channel volume 01, channel mute 02, R-W in lead-in 20

# The host adapters as ASPI's inquiry names them: manager, identifier,
# buffer alignment mask (hex), largest transfer (bytes).
host-adapter 0 "QUILL ASPI" "PCI IDE" 0001 131072
host-adapter 1 "QUILL ASPI" "ISA SCSI" 0000 65536

# Adapter 0: the drives of a newer machine.
device 0 0 0
  inquiry "NORVALE" "DVD-RAM WRITER 9" "2.03"
  capabilities 3F 37 71 63 29 23

device 0 1 0
  inquiry "BRISKTEC" "CD-RW BURNER 48X" "1.10"
  capabilities 07 07 71 63 29 03
  # Slow to answer: completed later from another thread.
  delay 300

# A tape drive: not a CD/DVD device, so the program passes it over.
device 0 4 0 type 01
  inquiry "TAPEWORX" "DAT STREAMER" "4.00"

# Adapter 1: older devices.
device 1 0 0
  inquiry "OLDSTONE" "CD-ROM 4X" "0.9A"
  capabilities 01 00 51 01 29 03

# A DVD reader without a disc: MODE SENSE ends in CHECK CONDITION,
# NOT READY, MEDIUM NOT PRESENT.
device 1 2 0
  inquiry "LUMENDSK" "DVD-ROM 16X" "3.01"
  check 5A 02 3A 00

# A reader that does not know the capabilities page.
device 1 5 0
  inquiry "OLDSTONE" "CD-ROM 2X" "0.5"
  check 5A 05 24 00
