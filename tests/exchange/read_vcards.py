"""Prints what Python's vobject reads from a vCard file: "--" before each
card, then NAME=hex lines (hex of the UTF-8 value), TEL and ADR named with
their types, ORG components joined by U+001F."""
import sys

import vobject


def unescape(text):
    # vobject leaves the values of X- properties as they were written.
    out, i = [], 0
    while i < len(text):
        if text[i] == "\\" and i + 1 < len(text):
            out.append("\n" if text[i + 1] in "nN" else text[i + 1])
            i += 2
        else:
            out.append(text[i])
            i += 1
    return "".join(out)


def show(name, value):
    print(name + "=" + value.encode("utf-8").hex())


with open(sys.argv[1], encoding="utf-8") as file:
    for card in vobject.readComponents(file.read()):
        print("--")
        for line in card.getChildren():
            name = line.name.upper()
            types = " ".join(t.upper() for t in line.params.get("TYPE", []))
            if name == "FN" or name == "TITLE" or name == "EMAIL":
                show(name, line.value)
            elif name == "BDAY":
                show(name, line.value)
            elif name == "TEL":
                show("TEL " + types, line.value)
            elif name == "ORG":
                show(name, "\x1f".join(line.value))
            elif name == "ADR":
                show("ADR " + types, line.value.street)
            elif name == "CATEGORIES":
                show(name, ",".join(line.value))
            elif name.startswith("X-"):
                show(name, unescape(line.value))
