"""Reads a mail as a standard reader would and prints what it shows: one line
"name=" and the value's UTF-8 bytes in hex per field, so any text arrives unchanged."""
import base64
import email
import email.policy
import re
import sys


def whole_characters(word):
    """RFC 2047: each encoded word holds whole characters."""
    try:
        base64.b64decode(word, validate=True).decode("utf-8")
        return True
    except ValueError:  # binascii.Error and UnicodeDecodeError both are
        return False


raw = open(sys.argv[1], "rb").read()
message = email.message_from_bytes(raw, policy=email.policy.default)
# RFC 5322: lines end in CR LF, hold no other CR or LF and at most 998 characters.
lines = raw.split(b"\r\n")
defects = len(message.defects) + sum(len(message[h].defects) for h in message.keys())
defects += sum(b"\r" in line or b"\n" in line or len(line) > 998 for line in lines)
defects += lines[-1] != b""  # the last line ends too
subject = "".join(value for name, value in message.raw_items() if name == "Subject")
words = re.findall(r"=\?UTF-8\?B\?([^?]*)\?=", subject)
defects += sum(not whole_characters(word) for word in words)
fields = {
    "subject": str(message["Subject"]),
    "body": message.get_content(),
    "type": "; ".join([message.get_content_type(), message.get_content_charset() or "",
                       str(message["MIME-Version"])]),
    "date": message["Date"].datetime.isoformat() if message["Date"] else "",
    "from": str(message["From"]) + " " + str(message["To"]),
    "id": str(message["Message-ID"]),
    "defects": str(defects),
}
for name, value in fields.items():
    print(name + "=" + value.encode("utf-8").hex())
