# The drives of the integration tests under Wine. The tests rely on every
# value here: change them together.

# Adapter 0
device 0 0 0
  inquiry "QUILLTST" "DVD WRITER A" "1.00"
  capabilities 3F 37 71 63 29 23

# A disk: passed over.
device 0 1 0 type 00
  inquiry "QUILLTST" "HARD DISK" "1.00"

# Answers later, from another thread.
device 0 3 0
  inquiry "QUILLTST" "SLOW READER B" "1.00"
  capabilities 01 00 51 01 29 03
  delay 200

# A CD/DVD unit at logical unit 1: only unit 0 is ever asked for.
device 0 3 1
  inquiry "QUILLTST" "HIDDEN LUN 1" "1.00"
  capabilities 3F 37 71 63 29 23

# Adapter 1
# ILLEGAL REQUEST for the capabilities page.
device 1 2 0
  inquiry "QUILLTST" "NO PAGE C" "1.00"
  check 5A 05 24 00

# NOT READY, MEDIUM NOT PRESENT; on the last target of the adapter.
device 1 15 0
  inquiry "QUILLTST" "EMPTY TRAY D" "1.00"
  check 5A 02 3A 00

# BUSY for every command: named by the fall-back, no sense line.
device 1 6 0
  status 12 08
  status 5A 08
