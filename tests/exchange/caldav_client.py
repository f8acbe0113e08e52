"""A phone-style CalDAV client for the tests, with the system's Python.

  caldav_client.py list URL USER PASSWORD
      asks the calendar collection for every event (REPORT calendar-query)
      and prints one line per resource: file name, UID, day, summary, ETag.
  caldav_client.py put URL USER PASSWORD < event.ics
      stores the body at URL (a resource) and prints the status.
  caldav_client.py delete URL USER PASSWORD
      deletes the resource at URL and prints the status.
"""
import base64
import sys
import urllib.error
import urllib.request
import xml.etree.ElementTree as ET

import icalendar

QUERY = b"""<?xml version="1.0" encoding="utf-8"?>
<c:calendar-query xmlns:d="DAV:" xmlns:c="urn:ietf:params:xml:ns:caldav">
  <d:prop><d:getetag/><c:calendar-data/></d:prop>
  <c:filter><c:comp-filter name="VCALENDAR"><c:comp-filter name="VEVENT"/></c:comp-filter>
  </c:filter>
</c:calendar-query>"""


def request(method, url, user, password, body=None, headers=None):
    req = urllib.request.Request(url, data=body, method=method, headers=headers or {})
    token = base64.b64encode(f"{user}:{password}".encode()).decode()
    req.add_header("Authorization", "Basic " + token)
    try:
        with urllib.request.urlopen(req) as answer:
            return answer.status, answer.read()
    except urllib.error.HTTPError as e:
        return e.code, e.read()


def main():
    command, url, user, password = sys.argv[1:5]
    if command == "put":
        status, _ = request("PUT", url, user, password, sys.stdin.buffer.read(),
                            {"Content-Type": "text/calendar; charset=utf-8"})
        print(status)
        return
    if command == "delete":
        status, _ = request("DELETE", url, user, password)
        print(status)
        return
    status, body = request("REPORT", url, user, password, QUERY,
                           {"Depth": "1", "Content-Type": "application/xml; charset=utf-8"})
    if status != 207:
        sys.exit(f"REPORT gave {status}")
    ns = {"d": "DAV:", "c": "urn:ietf:params:xml:ns:caldav"}
    out = []
    for response in ET.fromstring(body).findall("d:response", ns):
        href = response.findtext("d:href", namespaces=ns).rsplit("/", 1)[-1]
        etag = response.findtext(".//d:getetag", namespaces=ns) or ""
        data = response.findtext(".//c:calendar-data", namespaces=ns)
        calendar = icalendar.Calendar.from_ical(data)
        for event in calendar.walk("VEVENT"):
            out.append("\t".join([urllib.parse.unquote(href), str(event["UID"]),
                                  event["DTSTART"].dt.isoformat(), str(event["SUMMARY"]), etag]))
    sys.stdout.buffer.write("".join(line + "\n" for line in sorted(out)).encode("utf-8"))


if __name__ == "__main__":
    main()
