#!/usr/bin/env python3
"""Writes the hand-made recording files the document tests read.

Written from the byte layout alone, independently of the program's writer.
Run from this folder: python3 make_fixtures.py
"""
import struct


def u16(n): return struct.pack('<H', n)
def u32(n): return struct.pack('<I', n)
def i32(n): return struct.pack('<i', n)
def f64(d): return struct.pack('<d', d)
def f32(f): return struct.pack('<f', f)


def s16(text):
    """UTF-16 form with a one-byte length."""
    data = text.encode('utf-16-le')
    assert len(data) // 2 < 255
    return b'\xff' + u16(0xFFFE) + bytes([len(data) // 2]) + data


def s8(text):
    """8-bit form (Windows-1252) with a one-byte length."""
    data = text.encode('cp1252')
    assert len(data) < 255
    return bytes([len(data)]) + data


NEW_CLASS = u16(0xFFFF) + u16(1) + u16(7) + b'CObData'


def fields(value, unit, rate, index, time, kind, rng, s=s16):
    return f64(value) + s(unit) + f64(rate) + i32(index) + s(time) + s(kind) + f32(rng)


def fresh_statistics():
    return (f64(0.0) + f64(-60000.0) + s16('') + f64(60000.0) + s16('') + f64(1.0) + f64(0.0)
            + i32(0) + s16('') + s16('') + s16(''))


empty = u16(0) * 3 + fresh_statistics()
assert len(empty) == 70

eight_bit = (u16(2) + NEW_CLASS + fields(20.5, '°C', 1.0, 0, '1/2/24 3:04:05', '€uro', 100.0, s8)
             + u16(0x8001) + fields(68.9, '°F', 1.0, 1, '1/2/24 3:04:06', '€uro', 100.0, s8)
             + u16(0) + u16(0)
             + f64(44.7) + f64(68.9) + s8('1/2/24 3:04:06') + f64(20.5) + s8('1/2/24 3:04:05')
             + f64(1.0) + f64(89.4) + i32(2) + s8('1/2/24 3:04:05') + s8('1/2/24 3:04:06')
             + s8('€uro'))

# Index 1 is the class, 2 record A, 3 record B.
null_and_reference = (u16(4) + NEW_CLASS + fields(1.0, 'V', 0.0, 0, 'tA', 'VDC', 5.0)
                      + u16(0) + u16(2)
                      + u16(0x8001) + fields(2.0, 'V', 0.0, 1, 'tB', 'VDC', 5.0)
                      + u16(3) + u16(0x7FFF) + u32(3)
                      + u16(0x7FFF) + u32(0x80000001) + fields(3.0, 'A', 1.0, 2, 'tC', 'Max', 5.0)
                      + u16(0) + u16(0) + fresh_statistics())

for name, data in (('empty.mLog', empty), ('eight_bit.mLog', eight_bit),
                   ('null_and_reference.mLog', null_and_reference)):
    with open(name, 'wb') as f:
        f.write(data)
