#!/usr/bin/python3
"""Writes the default workstation grown for the scaling measurements: N more
servers (two shares each) in the domain SALES, N more NDS containers (one
volume each) below the tree, and a folder of N files with long names behind
\\\\FS1\\PROJECTS; or, for the network measurements, N containers and 3 N
servers at once (network). --latency US gives every network function of the
workstation a latency of US microseconds per call.

    make_workstation.py DEFAULT.json KIND N [--latency US] > OUT.json

with KIND one of servers, containers, entries, network."""
import json
import sys

args = sys.argv[1:]
latency = None
if "--latency" in args:
    at = args.index("--latency")
    latency = int(args[at + 1])
    del args[at:at + 2]
default, kind, n = args[0], args[1], int(args[2])
ws = json.load(open(default, encoding="utf-8"))


def find(nodes, remote):
    for node in nodes:
        if node.get("remote") == remote:
            return node
        found = find(node.get("children", []), remote)
        if found:
            return found
    return None


def add_servers(count):
    domain = find(ws["network"], "SALES")
    for i in range(count):
        name = "\\\\SRV%05d" % i
        domain["children"].append({"remote": name, "display": "server", "comment": "generated",
                                   "children": [{"remote": name + "\\DATA", "display": "share"},
                                                {"remote": name + "\\SYS", "display": "share"}]})


def add_containers(count):
    tree = find(ws["network"], "\\\\ACME_TREE\\Acme")
    for i in range(count):
        name = "\\\\ACME_TREE\\Acme\\OU%05d" % i
        tree["children"].append({"remote": name, "display": "ndscontainer",
                                 "children": [{"remote": name + "\\NW1_DATA", "display": "share"}]})


if kind == "servers":
    add_servers(n)
elif kind == "containers":
    add_containers(n)
elif kind == "network":
    add_servers(3 * n)
    add_containers(n)
elif kind == "entries":
    folder = {"Quarterly report %05d.doc" % i: {} for i in range(n)}
    ws.setdefault("files", {}).setdefault("\\\\FS1\\PROJECTS", {})["Reports 2026"] = {"children": folder}
else:
    sys.exit("kind: servers, containers, entries or network")
if latency is not None:
    ws["latency"] = {"network": latency}
json.dump(ws, sys.stdout, indent=1)
