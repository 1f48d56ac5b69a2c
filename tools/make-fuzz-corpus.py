#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz targets (fuzz/corpus/) from the embedded test certificates,
as certinfo prints them. Usage: tools/make-fuzz-corpus.py BUILD_DIR (a tree with tools/certinfo).
Only certificates go in: the catalogue holds no keys."""
import json
import pathlib
import subprocess
import sys

build = pathlib.Path(sys.argv[1])
corpus = pathlib.Path(__file__).resolve().parent.parent / "fuzz" / "corpus"
records = [json.loads(line) for line in
           subprocess.run([build / "tools" / "certinfo"], check=True, capture_output=True,
                          text=True).stdout.splitlines()]
# The first certificate of every group.
firsts = [r for r in records if r["entry"].endswith("_0")]


def write(target, name, data):
    folder = corpus / target
    folder.mkdir(parents=True, exist_ok=True)
    (folder / name).write_bytes(data)


B64_ENCODE, B64_DECODE, B64_LF_ONLY, B64_NO_BREAKS = 0x01, 0x02, 0x04, 0x10
for record in firsts:
    entry = record["entry"]
    der = bytes.fromhex(record["certEncoded"])
    pem = record["pemText"].encode()
    write("certificate_markup", entry + ".der", der)
    write("pem", entry + ".pem", pem)
    write("base64", entry + "-encode", bytes([B64_ENCODE | B64_LF_ONLY]) + der[:200])
    write("base64", entry + "-decode", bytes([B64_DECODE]) + pem)
write("base64", "no-breaks", bytes([B64_ENCODE | B64_NO_BREAKS]) + b"abcd")
write("base64", "padded", bytes([B64_DECODE]) + b"YWJjZA==")

main_page = "res:///opt/corvane/corvane/"
for number, (location, url) in enumerate([
        (0, main_page + "self.location=URL_INSTALLCERT_1028_0"),
        (0, main_page + "self.location=URL_EXPORT_131104_2"),
        (0, main_page + "URL_SHOW_WINDOWS_STORE"),
        (0, main_page + "main.html"),
        (0, "https://www.oberit.example/?next=res://URL_UNINSTALLCERT_16392_5"),
        (2, main_page + "URL_SHOWCERT_1028_0")]):
    write("command_url", "url-%d" % number, bytes([location]) + url.encode("utf-16-le"))

for name in ["main.html", "OberitDesign.CSS", "../main.html", "logo.png"]:
    write("res_scheme", name.replace("/", "_"), name.encode())

profile_lists = {
    "firefox": b"[Install4F96D1932A9F858E]\nDefault=abc.default-release\nLocked=1\n\n"
               b"[Profile1]\nName=default\nIsRelative=1\nPath=xyz.default\n\n"
               b"[Profile0]\nName=default-release\nIsRelative=1\nPath=abc.default-release\n"
               b"Default=1\n\n[General]\nStartWithLastProfile=1\nVersion=2\n",
    "absolute": b"[Profile0]\nName=work\nIsRelative=0\nPath=/home/user/profiles/work\n",
    "relative-without-flag": b"[Profile0]\nName=\xc3\xa9t\xc3\xa9\nIsRelative=0\nPath=sub/p\n",
    "bad-bytes": b"# comment\n[Profile0]\nName=a\tb\x1b[31m\nPath=\xff\xfe.default\r\n",
    "malformed": b"[Profile0\nName=broken\n",
}
for name, text in profile_lists.items():
    write("profiles_ini", name, text)

for name, text in {"line": b"secret\nsecond\n", "crlf": b"pass word\r\n", "empty": b"",
                   "no-line-end": b"\xc3\xa9t\xc3\xa9", "nul": b"ab\x00cd\n",
                   "long": b"a" * 4097 + b"\n"}.items():
    # The first byte chooses how the input is cut into blocks.
    write("password_line", name, bytes([7]) + text)
