#!/usr/bin/env python3
"""Builds independent.ce without any of the tool's code: the digests come from
hashlib and zlib, the encryption from the openssl command line. The test
expects exactly the domain and entries written here; rerun only to change
them:  python3 make_independent.py independent.ce"""
import hashlib
import struct
import subprocess
import sys
import zlib

KEY_TEXT = b"OrboCertK26" + b"\0" * 21
IV_TEXT = b"OrboCertIV2612" + b"\0" * 2
DOMAIN = b"independent.example.org"
ENTRIES = [
    (b"company.info", '{"tool_name":"Indie Tool","box_name_zh":"node"}'.encode()),
    (b"readme.txt", b"made with hashlib and openssl enc\n"),
    (b"empty", b""),
]


def derive(key_text, iv_text):
    """HMAC-shaped SHA-384 with a 64-byte pad block; message = key text."""
    k = key_text + iv_text
    if len(k) > 64:
        k = hashlib.sha384(k).digest()
    k = k.ljust(64, b"\0")
    inner = hashlib.sha384(bytes(b ^ 0x36 for b in k) + key_text).digest()
    out = hashlib.sha384(bytes(b ^ 0x5C for b in k) + inner).digest()
    return out[:32], out[32:48]


def encrypt(data, key_text, iv_text):
    key, iv = derive(key_text, iv_text)
    return subprocess.run(
        ["openssl", "enc", "-aes-256-cfb", "-nosalt", "-K", key.hex(), "-iv", iv.hex()],
        input=data, capture_output=True, check=True).stdout


payload = b""
for name, data in ENTRIES:
    payload += struct.pack("<QQQ", len(name), len(data), zlib.crc32(data)) + name + data

enc_domain = encrypt(DOMAIN, KEY_TEXT, IV_TEXT)
head = b"not-examined-16b" + struct.pack("<h", len(enc_domain)) + enc_domain
head = head.ljust(272, b"\xa5")
payload_key_text = hashlib.md5(DOMAIN).digest() + b"\0" * 16
package = head + encrypt(payload, payload_key_text, IV_TEXT) + hashlib.sha256(payload).digest()
assert len(enc_domain) == len(DOMAIN) and len(package) == 304 + len(payload)
with open(sys.argv[1], "wb") as f:
    f.write(package)
