# Drives with discs in them, their answers built from MMC's tables: the
# report's questions about the disc on the ASPI road. The Wine test of the
# report relies on every value here: change them together.

# A blank CD-R: its disc information (empty, the last possible lead-out at
# 79:59:74), its ATIP (lead-in 97:27:21) and READ CAPACITY; no TOC to read.
device 0 0 0
  inquiry "QUILLTST" "CD WRITER E" "1.00"
  capabilities 3F 37 71 63 29 23
  current-profile 0009
  feature 0000 03 00 09 01 00
  reply-hex 51 00 20 00 01 01 01 01 20 FF 00 00 00 00 00 00 00 00 61 1A 42 00 4F 3B 4A 00 00 00 00 00 00 00 00 00 00
  reply-hex 43/4 00 1A 00 00 D2 40 80 00 61 1B 15 00 4F 3B 4A 00 00 00 00 00 00 00 00 00 00 00 00 00
  reply-hex 25 00 00 00 00 00 00 08 00

# An appendable DVD+R DL: one track of 1000000 blocks, two layers, made by
# MKM (media type 003), written at 2.4x, 4x and 8x.
device 0 1 0
  inquiry "QUILLTST" "DVD WRITER F" "1.00"
  capabilities 3F 37 71 63 29 23
  current-profile 002B
  feature 0000 03 00 2B 01 00
  reply-hex 51 00 20 05 01 01 01 02 20 00 00 00 00 00 00 00 00 00 00 00 00 00 3F AF FF 00 00 00 00 00 00 00 00 00 00
  reply-hex 43/0 00 12 01 01 00 14 01 00 00 00 00 00 00 14 AA 00 00 0F 42 40
  reply-hex 25 00 0F 42 3F 00 00 08 00
  reply-hex AD/0 08 02 00 00 E1 02 32 00 00 03 00 00 00 FC FF FF 00 20 EF FF
  reply-hex AD/11 01 02 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 4D 4B 4D 00 00 00 00 00 30 30 33 00
  write-speed 3FAFFF CFC CFC
  write-speed 3FAFFF 15A4 15A4
  write-speed 3FAFFF 2B48 2B48
