"""Reads mails as a standard reader would and prints what each shows.

One block of lines per file named on the command line, each block ended by
"--". Each line is "name=" and the value's UTF-8 bytes in hex, so that any
text reaches the test unchanged.
"""
import base64
import binascii
import email
import email.policy
import re
import sys


def broken_words(raw_header):
    """Encoded words that are not whole characters on their own (RFC 2047 forbids them)."""
    broken = 0
    for word in re.findall(r"=\?UTF-8\?B\?([^?]*)\?=", raw_header):
        try:
            base64.b64decode(word, validate=True).decode("utf-8")
        except (binascii.Error, UnicodeDecodeError):
            broken += 1
    return broken


for path in sys.argv[1:]:
    with open(path, "rb") as f:
        raw = f.read()
    message = email.message_from_bytes(raw, policy=email.policy.default)
    # RFC 5322: lines end in CR LF, hold no other CR or LF and at most 998 characters.
    lines = raw.split(b"\r\n")
    bad_lines = sum(1 for line in lines if b"\r" in line or b"\n" in line or len(line) > 998)
    bad_lines += lines[-1] != b""  # the last line ends too

    fields = {
        "subject": str(message["Subject"]),
        "body": message.get_content(),
        "type": message.get_content_type(),
        "charset": message.get_content_charset() or "",
        "mime": str(message["MIME-Version"]),
        "date": message["Date"].datetime.isoformat() if message["Date"] else "",
        "from": str(message["From"]),
        "to": str(message["To"]),
        "id": str(message["Message-ID"]),
        "defects": str(len(message.defects) + sum(len(message[h].defects) for h in message.keys())
                       + sum(broken_words(value) for name, value in message.raw_items()
                             if name == "Subject") + bad_lines),
    }
    for name, value in fields.items():
        print(name + "=" + value.encode("utf-8").hex())
    print("--")
