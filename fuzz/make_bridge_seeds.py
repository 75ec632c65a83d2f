#!/usr/bin/env python3
"""Writes the seed corpora of host_input_fuzzer, renderer_messages_fuzzer and
page_values_fuzzer (fuzz/corpus/<target>/)."""
import os
import random
import struct

root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")


def u32(n): return struct.pack("<I", n)
def i32(n): return struct.pack("<i", n)
def i64(n): return struct.pack("<q", n)
def text(s): b = s.encode(); return u32(len(b)) + b
def s16(units): return u32(len(units)) + b"".join(struct.pack("<H", u) for u in units)
def null(): return b"\x01"
def integer(v): return b"\x03" + i32(v)
def double(v): return b"\x04" + struct.pack("<d", v)
def string(s): return b"\x05" + s16([ord(c) for c in s])
def lst(*items): return b"\x08" + u32(len(items)) + b"".join(items)
def dct(*pairs):
    return b"\x07" + u32(len(pairs)) + b"".join(
        s16([ord(c) for c in k]) + v for k, v in pairs)
def frame(payload): return u32(len(payload)) + payload


every_kind = lst(null(), b"\x02\x01", integer(-5), double(float("nan")),
                 double(-0.0), string("s"), b"\x05" + s16([0xD800, 0x41]),
                 b"\x06" + u32(2) + b"\x00\xff",
                 dct(("a", integer(1)), ("$b", lst()), ("", null())))

# host_input: 0x00 and a stream of frames a renderer might send; 0x01 and
# lines for the driver.
host = {
    "events": b"\x00" + frame(b"\x41" + i32(1) + text("kiv_jsapi") +
                              lst(integer(0), string("echo"), every_kind)) +
              frame(b"\x42" + i32(1) + i64(1) + b"\x00" + text("hi")) +
              frame(b"\x43" + i32(1) + i64(1) + text("Uncaught x") + i32(3)) +
              frame(b"\x44" + i32(7) + b"\x01" + text("2") + text("") + i32(0)) +
              frame(b"\x45" + b"\x05" + text("no browser 9")) +
              frame(b"\x46" + i32(3) + b"\x01"),
    "events_malformed": b"\x00" + frame(b"\x41" + i32(1) + text("x") +
                                        b"\x08" + u32(1000) + null()),
    "events_deep": b"\x00" + frame(b"\x41" + i32(1) + text("kiv_jsapi") +
                                   b"\x08\x01\x00\x00\x00" * 99 + null()),
    "events_keys": b"\x00" + frame(b"\x41" + i32(1) + text("kiv_callback") +
                                   lst(string("tick"), dct(*[
                                       ("k%d" % i, integer(i))
                                       for i in range(50)]))),
    "driver": b"\x01" + "\n".join([
        '{"cmd":"create_browser","browser":1,"id":1}',
        '{"cmd":"send","browser":1,"name":"kiv_jsapi","args":[0,true,'
        '{"$double":"NaN"},{"$utf16":[55296]},{"$binary":"AAH/"},'
        '{"$dict":[["$k",1],[{"$utf16":[56320]},2]]},{"a":1,"a":2}]}',
        '{"cmd":"eval","browser":1,"frame":1,"code":"1"}',
        '{"cmd":"eval","browser":1,"frame":1,"code":"\\ud800\\udc00\\udc00"}',
        '{"cmd":"send","browser":1,"name":"\\udc00","args":["a\\ud800",'
        '{"k\\udbff":1}],"id":"\\ud800"}',
        '{"cmd":"load","browser":1,"frame":2,"script":"x","timeout_ms":5}',
        '{"cmd":"kill","signal":"SIGTERM"}',
        '{"cmd":"shutdown","exit_code":3}',
        '{"cmd":"fly"}', '[1,2]', '{"cmd":', '', '  ',
        '{"cmd":"send","args":[[[[[[[[[[[[[]]]]]]]]]]]]}',
    ]).encode(),
}

rng = random.Random(1750)


def noise(n): return bytes(rng.randrange(256) for _ in range(n))


# renderer_messages: the input chooses messages, names, layouts and values.
renderer = {"noise_%02d" % i: noise(16 * (i + 1)) for i in range(10)}
renderer["reply_then_release"] = bytes([2, 0, 1, 3, 1, 1, 7, 4, 0, 1]) + noise(40)
renderer["event_tick"] = bytes([2, 1, 1, 0, 1, 1, 8, 3, 2, 0, 5, 9]) + noise(40)

# page_values: the first byte chooses the kind of value.
page = {"kind_%02d" % kind: bytes([kind]) + noise(24) for kind in range(16)}
page.update({"noise_%02d" % i: noise(32 * (i + 1)) for i in range(6)})

for target, seeds in (("host_input", host), ("renderer_messages", renderer),
                      ("page_values", page)):
    out = os.path.join(root, target)
    os.makedirs(out, exist_ok=True)
    for name, data in seeds.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)
