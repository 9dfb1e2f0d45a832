#!/usr/bin/python3
"""Writes the default workstation grown for the scaling measurements: N more
servers (two shares each) in the domain SALES, N more NDS containers (one
volume each) below the tree, and a folder of N files with long names behind
\\\\FS1\\PROJECTS. Usage: make_workstation.py DEFAULT.json KIND N > OUT.json
with KIND one of servers, containers, entries."""
import json
import sys

default, kind, n = sys.argv[1], sys.argv[2], int(sys.argv[3])
ws = json.load(open(default, encoding="utf-8"))


def find(nodes, remote):
    for node in nodes:
        if node.get("remote") == remote:
            return node
        found = find(node.get("children", []), remote)
        if found:
            return found
    return None


if kind == "servers":
    domain = find(ws["network"], "SALES")
    for i in range(n):
        name = "\\\\SRV%05d" % i
        domain["children"].append({"remote": name, "display": "server", "comment": "generated",
                                   "children": [{"remote": name + "\\DATA", "display": "share"},
                                                {"remote": name + "\\SYS", "display": "share"}]})
elif kind == "containers":
    tree = find(ws["network"], "\\\\ACME_TREE\\Acme")
    for i in range(n):
        name = "\\\\ACME_TREE\\Acme\\OU%05d" % i
        tree["children"].append({"remote": name, "display": "ndscontainer",
                                 "children": [{"remote": name + "\\NW1_DATA", "display": "share"}]})
elif kind == "entries":
    folder = {"Quarterly report %05d.doc" % i: {} for i in range(n)}
    ws.setdefault("files", {}).setdefault("\\\\FS1\\PROJECTS", {})["Reports 2026"] = {"children": folder}
else:
    sys.exit("kind: servers, containers or entries")
json.dump(ws, sys.stdout, indent=1)
