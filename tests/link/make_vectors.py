#!/usr/bin/python3
"""Prints the CRC vectors used by the link tests, computed apart from the code under test.

CRC-16/MODBUS by a plain bit loop, CRC-16/XMODEM by the standard library's crc_hqx.
"""
import binascii


def crc_modbus(data: bytes) -> int:
    crc = 0xFFFF
    for byte in data:
        crc ^= byte
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return crc


def framed(hex_text: str) -> str:
    data = bytes.fromhex(hex_text)
    crc = crc_modbus(data)
    return (data + bytes([crc & 0xFF, crc >> 8])).hex(" ").upper()


MODBUS_CRC_INPUTS = [b"", b"123456789", bytes([0x01, 0x03, 0x01, 0x02, 0x00, 0x03]), bytes(range(256))]
FRAMES = [
    "01 03 01 02 00 03",
    "01 04 00 00 00 65",
    "F7 03 0C 80 00 32",
    "01 04 23 45 00 01",
    "01 10 00 20 00 01 02 12 34",
    "F7 10 00 01 00 02 04 56 78 9A BC",
    "01 03 04 12 34 AB CD",
    "01 83 02",
    "01 03 02 00 2A",
    "01 03 06 00 01 00 02 00 03",
]
XMODEM_PATTERNS = {
    "i": lambda i: i & 0xFF,
    "31i+7": lambda i: (i * 31 + 7) & 0xFF,
}

for data in MODBUS_CRC_INPUTS:
    print(f"modbus crc {data[:12].hex()}.. len {len(data)}: 0x{crc_modbus(data):04X}")
full_buffer = bytes([0x01, 0x03, 0x00]) + bytes(i & 0xFF for i in range(1029))
print(f"modbus crc of 01 03 00 + 1029 bytes i: 0x{crc_modbus(full_buffer):04X}")
for frame in FRAMES:
    print(f"frame: {framed(frame)}")
print(f"xmodem crc 123456789: 0x{binascii.crc_hqx(b'123456789', 0):04X}")
for name, pattern in XMODEM_PATTERNS.items():
    data = bytes(pattern(i) for i in range(1024))
    print(f"xmodem crc of 1024 bytes {name}: 0x{binascii.crc_hqx(data, 0):04X}")
