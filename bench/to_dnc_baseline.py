#!/usr/bin/python3
# What a user would write instead of `quorvel to-dnc -` on the default workstation:
# drives by a dict, UNC names by a set of servers, NDS volume objects by a set.
import ntpath, sys
DRIVES = {"F:": r"\\NW1\DATA", "G:": r"\\NW2\PROJ", "P:": r"\\FS1\PROJECTS", "Q:": r"\\FS1\PROJECTS\2026",
          "H:": r"\\FS2\PUBLIC\Documentation Archive", "S:": r"\\NW1\SYS"}
SERVERS = {r"\\NW1", r"\\NW2", r"\\FS1", r"\\FS2", r"\\BUILD01"}
VOLUMES = {r"\\ACME_TREE\ACME\SALES\NW1_DATA", r"\\ACME_TREE\ACME\SALES\NW1_SYS",
           r"\\ACME_TREE\ACME\ENGINEERING\NW2_PROJ", r"\\ACME_TREE\ACME\ENGINEERING\NW2_SYS"}
out = sys.stdout.write
for name in sys.stdin.read().splitlines():
    drive, rest = ntpath.splitdrive(name)
    parts = name.split("\\", 6)
    if len(drive) == 2:
        out(name + "\t" + DRIVES[drive.upper()] + rest + "\n")
    elif "\\".join(parts[:3]).upper() in SERVERS:
        out(name + "\t" + name + "\n")
    elif "\\".join(parts[:6]).upper() in VOLUMES:
        server, volume = parts[5].rsplit("_", 1)
        out(name + "\t\\\\" + server + "\\" + volume + "\\" + parts[6] + "\n")
