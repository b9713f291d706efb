#!/usr/bin/env python3
"""Sets one key of a Zuv settings file when the file has no value for it.

    default_setting.py INI SECTION KEY VALUE

A missing file is created. An existing file keeps its encoding (UTF-16 LE or
UTF-8 with a byte-order mark, else the ANSI code page 932), its line ends and
every other line; a key that already has a non-empty value is left alone.
"""
import sys


def read(path):
    try:
        data = open(path, "rb").read()
    except FileNotFoundError:
        return None, "utf-8-sig", "\r\n"
    if data.startswith(b"\xff\xfe"):
        encoding = "utf-16"
    elif data.startswith(b"\xef\xbb\xbf"):
        encoding = "utf-8-sig"
    else:
        encoding = "cp932"
    text = data.decode(encoding, errors="surrogateescape" if encoding == "cp932" else "strict")
    return text, encoding, "\r\n" if "\r\n" in text or not text else "\n"


def main():
    path, section, key, value = sys.argv[1:5]
    text, encoding, newline = read(path)
    lines = text.splitlines() if text else []
    start = None
    for i, line in enumerate(lines):
        if line.strip().lower() == "[" + section.lower() + "]":
            start = i
            break
    if start is None:
        if lines and lines[-1].strip():
            lines.append("")
        lines += ["[" + section + "]", key + "=" + value]
    else:
        end = start + 1
        while end < len(lines) and not lines[end].strip().startswith("["):
            end += 1
        for i in range(start + 1, end):
            name, sep, current = lines[i].partition("=")
            if sep and name.strip().lower() == key.lower():
                if current.strip():
                    return
                lines[i] = key + "=" + value
                break
        else:
            lines.insert(end, key + "=" + value)
    if encoding == "utf-8-sig" and text is None and all(ord(c) < 128 for c in value):
        encoding = "ascii"
    out = newline.join(lines) + newline
    with open(path, "wb") as f:
        f.write(out.encode(encoding, errors="surrogateescape" if encoding == "cp932" else "strict"))


if __name__ == "__main__":
    main()
