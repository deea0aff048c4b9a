# Changes a file's CRC-32 without making it unreadable: appends one byte.
file(APPEND ${FILE} "x")
