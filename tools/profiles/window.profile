# Three drives on one adapter, in discovery order: one with capability
# rows, one answering ILLEGAL REQUEST, one with no disc (02/3A/00).
device 0 0 0
  inquiry "QUILLWIN" "DVD WRITER" "1.00"
  capabilities 3F 37 71 63 29 23

device 0 1 0
  inquiry "QUILLWIN" "NO PAGE READER" "1.00"
  check 5A 05 24 00

device 0 2 0
  inquiry "QUILLWIN" "EMPTY TRAY" "1.00"
  check 5A 02 3A 00
