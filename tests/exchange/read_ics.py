"""Reads a calendar file as another calendar program would, with Python's
icalendar package, and prints each event on one line:
UID, day, summary, description (its line breaks as \\n), categories, and the
alarm triggers, separated by tabs. Exits non-zero when the file is not valid."""
import sys

import icalendar


def main():
    with open(sys.argv[1], "rb") as f:
        calendar = icalendar.Calendar.from_ical(f.read())
    if calendar.name != "VCALENDAR" or "PRODID" not in calendar or "VERSION" not in calendar:
        sys.exit("not a calendar")
    out = []
    for event in calendar.walk("VEVENT"):
        categories = event.get("CATEGORIES")
        cats = ",".join(str(c) for c in categories.cats) if categories is not None else ""
        triggers = ",".join(str(int(a["TRIGGER"].dt.total_seconds()))
                            for a in event.walk("VALARM"))
        out.append("\t".join([
            str(event["UID"]),
            event["DTSTART"].dt.isoformat(),
            str(event["SUMMARY"]),
            str(event.get("DESCRIPTION", "")).replace("\n", "\\n"),
            cats,
            triggers,
        ]))
    sys.stdout.buffer.write(("\n".join(out) + "\n").encode("utf-8"))


main()
