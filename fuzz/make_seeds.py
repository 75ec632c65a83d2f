#!/usr/bin/env python3
"""Writes the seed corpus of wire_decoder_fuzzer (layout: docs/wire-format.md)."""
import os
import struct

out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus",
                   "wire_decoder")


def u32(n): return struct.pack("<I", n)
def i32(n): return struct.pack("<i", n)
def i64(n): return struct.pack("<q", n)
def text(s): b = s.encode(); return u32(len(b)) + b
def s16(units):
    """A string in its one encoding: one byte per unit when all fit."""
    if all(u < 0x100 for u in units):
        return u32(len(units) | 0x80000000) + bytes(units)
    return u32(len(units)) + b"".join(struct.pack("<H", u) for u in units)


def nested_claims(levels, size):
    """Lists nested |levels| deep, each claiming as many items as there are
    bytes after its count, padded to |size| bytes: the shape that makes a
    decoder that trusts counts reserve far more than the frame holds."""
    head = b""
    for level in range(levels):
        rest = size - len(head) - 5
        head += b"\x08" + u32(rest)
    return head + b"\x01" * (size - len(head))


def null(): return b"\x01"
def boolean(v): return b"\x02" + (b"\x01" if v else b"\x00")
def integer(v): return b"\x03" + i32(v)
def double(v): return b"\x04" + struct.pack("<d", v)
def string(s): return b"\x05" + s16([ord(c) for c in s])
def string16(units): return b"\x05" + s16(units)
def binary(b): return b"\x06" + u32(len(b)) + b
def lst(*items): return b"\x08" + u32(len(items)) + b"".join(items)
def dct(*pairs):
    return b"\x07" + u32(len(pairs)) + b"".join(
        s16([ord(c) for c in k]) + v for k, v in pairs)


def frame(payload): return u32(len(payload)) + payload


every_kind = lst(null(), boolean(True), integer(-5), double(float("nan")),
                 double(-0.0), double(float("inf")), string("s"),
                 string16([0xD800, 0, 0x41]), binary(b"\x00\xff"),
                 dct(("a", integer(1)), ("b", lst())))

seeds = {
    "value_every_kind": every_kind,
    "value_nested": lst(lst(lst(dct(("k", lst(null())))))),
    "request_start": b"\x01" + lst(lst(string("tick")), lst(string("echo"))),
    "request_create_browser": b"\x02" + i32(1),
    "request_load_frame": b"\x03" + i32(1) + i64(1) + b"\x01" + text("") +
                          text("page.js") +
                          s16([ord(c) for c in "var s = '"] + [0xD800] +
                              [ord(c) for c in "';"]),
    "request_execute": b"\x04" + i32(7) + i32(1) + i64(1) +
                       s16([ord(c) for c in "1+1"]),
    "request_message": b"\x05" + i32(1) + text("kiv_jsapi") +
                       lst(integer(0), boolean(True), every_kind),
    "request_release": b"\x06" + i32(1) + i64(1),
    "request_destroy": b"\x07" + i32(1),
    "request_shutdown": b"\x08" + i32(0),
    "request_sync": b"\x09" + i32(3),
    "event_message": b"\x41" + i32(1) + text("kiv_jsapi") +
                     lst(integer(0), string("echo"), lst(integer(5))),
    "event_console": b"\x42" + i32(1) + i64(1) + b"\x02" + text("careful"),
    "event_exception": b"\x43" + i32(1) + i64(1) + text("Uncaught Error: x") +
                       i32(3),
    "event_result": b"\x44" + i32(7) + b"\x01" + text("2") + text("") + i32(0),
    "event_failed": b"\x45" + b"\x03" + text("no browser 9"),
    "event_sync_reply": b"\x46" + i32(3) + b"\x01",
    "stream_two_frames": frame(b"\x02" + i32(1)) + frame(b"\x08" + i32(0)),
    "bad_lying_count": b"\x08" + u32(0xFFFFFFFF) + null(),
    "bad_truncated_string": b"\x05" + u32(10) + b"\x41\x00",
    "bad_tag": b"\x09\x00",
    "bad_bool": b"\x02\x02",
    "bad_utf8": b"\x05" + i32(1) + u32(1) + b"\xff" + lst(),
    "bad_oversized_frame": u32(0x7FFFFFFF) + b"\x01",
    "bad_deep": b"\x08\x01\x00\x00\x00" * 150 + null(),
    "bad_two_byte_latin1": b"\x05" + u32(2) + b"\x41\x00\x42\x00",
    "bad_list_over_limit": b"\x08" + u32((1 << 24) + 1) + b"\x01" * 64,
    "bad_nested_claims": nested_claims(90, 4096),
    "value_latin1_and_two_byte": lst(string("caf\u00e9"), string("\u20ac"),
                                     dct(("\u00fc", null()),
                                         ("\u4e2d", integer(1)))),
    # A zygote's start request and reply.
    "zygote_request": u32(3) + text("--type=renderer") + text("--channel-fd=3")
                      + text("--js-flags=--expose-gc"),
    "zygote_reply": i32(4711) + i32(0),
    "bad_zygote_request_nul": u32(1) + text("a\0b"),
    # Amplified (see the fuzz target): a nested list unit repeated.
    "amplified_nested_lists": b"\xa5" + struct.pack("<H", 2000) +
                              b"\x08\xff\xff\xff\x00",
}

os.makedirs(out, exist_ok=True)
for name, data in seeds.items():
    with open(os.path.join(out, name), "wb") as f:
        f.write(data)
