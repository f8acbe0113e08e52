"""Reads a mail as a standard reader would and prints what it shows.

Each line is "name=" and the value's UTF-8 bytes in hex, so that any text
reaches the test unchanged.
"""
import email
import email.policy
import sys

with open(sys.argv[1], "rb") as f:
    message = email.message_from_bytes(f.read(), policy=email.policy.default)

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
    "defects": str(len(message.defects) + sum(len(message[h].defects) for h in message.keys())),
}
for name, value in fields.items():
    print(name + "=" + value.encode("utf-8").hex())
