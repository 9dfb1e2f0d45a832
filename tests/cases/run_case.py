#!/usr/bin/env python3
"""Runs the quorvel command as a user runs it, on the runs of one case file,
and compares everything it prints with what the case expects.

A case file (tests/cases/*.json) is data: one simulated workstation and the
runs made on it, each a separate process.

  {"about": "what the case pins down",
   "workstation": {...},        # absent: the embedded default
   "files": {"c/x.ini": "..."},  # files (and with them folders) made in the case folder
   "runs": [{"args": [...],     # default ["--json", "shell"]; "@DIR@" is the case folder
             "workstation": {...},  # merged into the case's one (null removes a member)
             "env": {...},
             "stdin": [...],    # lines for the shell or `to-dnc -`
             "sh": "...",       # instead of args: a /bin/sh command line, "$QUORVEL" the command
             "exit": 1,         # default 0
             "stdout": [...],   # JSON objects when --json is given, text lines otherwise
             "stderr": [...],   # lines, exactly
             "trace": {"file": "c/trace.out", "records": [...],
                       "header": [...]}}]}  # header: compared only when given

With a workstation, `--workstation @DIR@/ws.json` comes first unless the
run names "@DIR@" itself. A trace's records are the lines after its header
(which ends with the first empty line after the settings), CR LF ended, Windows-1252 bytes
read as Latin-1. Texts take any byte through "\\udcXX" (surrogateescape),
and "@N*c@" stands for the character c N times (N >= 64).
--update writes what the command printed into the case: review the diff.
"""
import json, os, re, shutil, subprocess, sys, tempfile

REPEAT = re.compile(r"@(\d+)\*(.)@", re.S)


def expand(v):
    """The case with every "@N*c@" written out."""
    if isinstance(v, str):
        return REPEAT.sub(lambda m: m.group(2) * int(m.group(1)), v)
    if isinstance(v, list):
        return [expand(x) for x in v]
    return {k: expand(x) for k, x in v.items()} if isinstance(v, dict) else v


def shorten(v):
    if isinstance(v, str):
        return re.sub(r"(.)\1{63,}", lambda m: f"@{len(m.group(0))}*{m.group(1)}@", v, flags=re.S)
    if isinstance(v, list):
        return [shorten(x) for x in v]
    return {k: shorten(x) for k, x in v.items()} if isinstance(v, dict) else v


def enc(s):
    return s.encode("utf-8", "surrogateescape")


def dec(b):
    return b.decode("utf-8", "surrogateescape")


def trace_parts(path):
    """The header's lines and the records, or (None, None) without a file."""
    if not os.path.exists(path):
        return None, None
    data = open(path, "rb").read().decode("latin-1")
    pos = data.find("with errors             = ")
    pos = data.find("\r\n\r\n", pos) if pos >= 0 else -1
    split = lambda text: text[:-2].split("\r\n") if text.endswith("\r\n") else (text.split("\r\n") if text else [])
    if pos < 0:
        return [], split(data)
    return split(data[:pos + 2]), split(data[pos + 4:])


def merged(base, patch):
    if not isinstance(patch, dict):
        return patch
    out = dict(base) if isinstance(base, dict) else {}
    for k, v in patch.items():
        if v is None:
            out.pop(k, None)
        else:
            out[k] = merged(out.get(k), v)
    return out


def run_one(cli, emulator, case, run, folder):
    sub = lambda s: s.replace("@DIR@", folder)
    args = [sub(a) for a in run.get("args", ["--json", "shell"])]
    env = dict(os.environ)
    env.pop("QUORVEL_WORKSTATION", None)
    env.update({k: sub(v) for k, v in run.get("env", {}).items()})
    if ("workstation" in case or "workstation" in run) and "@DIR@" not in json.dumps([run.get("args"), run.get("env")]):
        args = ["--workstation", os.path.join(folder, "ws.json")] + args
    stdin = "".join(line + "\n" for line in run.get("stdin", []))
    command = emulator + [cli] + [enc(a) for a in args]
    if "sh" in run:
        env["QUORVEL"] = " ".join(emulator + [cli])
        command = ["/bin/sh", "-c", enc(sub(run["sh"]))]
    p = subprocess.run(command, input=enc(sub(stdin)), env=env, cwd=folder, capture_output=True, timeout=60)
    unsub = lambda s: s.replace("\r\n", "\n").replace(folder, "@DIR@")
    out = unsub(dec(p.stdout)).split("\n")
    if out[-1] == "":
        out.pop()
    got = {"exit": p.returncode,
           "stdout": [json.loads(line) for line in out] if "--json" in args and "sh" not in run else out,
           "stderr": [line for line in unsub(dec(p.stderr)).split("\n") if line]}
    if "trace" in run:
        header, records = trace_parts(os.path.join(folder, run["trace"]["file"]))
        got["trace"] = {"file": run["trace"]["file"], "records": records}
        if "header" in run["trace"]:
            got["trace"]["header"] = header
    return got


def layout(value, depth=0):
    """JSON with the case's structure on separate lines and each output line,
    input line and record on one line of its own."""
    flat = lambda v: json.dumps(v, ensure_ascii=False)
    pad = " " * (depth + 1)
    if depth >= 4 or not isinstance(value, (dict, list)) or len(flat(value)) <= 60:
        return flat(value)
    if isinstance(value, dict):
        items = [pad + flat(k) + ": " + layout(v, depth + 1) for k, v in value.items()]
        return "{\n" + ",\n".join(items) + "}"
    return "[\n" + ",\n".join(pad + layout(v, depth + 1) for v in value) + "]"


def main():
    argv = sys.argv[1:]
    update = "--update" in argv
    argv = [a for a in argv if a != "--update"]
    emulator = []
    if argv[0] == "--emulator":
        emulator, argv = argv[1].split(), argv[2:]
    cli, path = os.path.abspath(argv[0]), argv[1]
    case = json.load(open(path, encoding="utf-8"))
    if update:
        case = expand(case)
    failures = []
    runs = case["runs"] if update else expand(case["runs"])
    files = expand(case.get("files", {}))
    for i, run in enumerate(runs):
        folder = tempfile.mkdtemp(prefix="quorvel-case-")
        try:
            if "workstation" in case or "workstation" in run:
                with open(os.path.join(folder, "ws.json"), "w", encoding="utf-8") as f:
                    json.dump(expand(merged(case.get("workstation", {}), run.get("workstation", {}))), f)
            for name, text in files.items():
                os.makedirs(os.path.dirname(os.path.join(folder, name)), exist_ok=True)
                open(os.path.join(folder, name), "wb").write(enc(text))
            got = run_one(cli, emulator, case, run, folder)
            # In a fresh prefix Wine has once started a program that printed
            # nothing at all; such a run is made once more, and says so.
            if emulator and not got["stdout"] and not got["stderr"] and (run.get("stdout") or run.get("stderr")):
                print(f"run {i}: nothing printed under {emulator[0]}, running it again", file=sys.stderr)
                got = run_one(cli, emulator, case, run, folder)
        finally:
            shutil.rmtree(folder, ignore_errors=True)
        want = {"exit": run.get("exit", 0), "stdout": run.get("stdout", []), "stderr": run.get("stderr", [])}
        if "trace" in run:
            want["trace"] = run["trace"]
        if update:
            run.update({k: v for k, v in got.items() if k != "exit" or v != 0})
            for k in ("stdout", "stderr"):
                if not got[k]:
                    run.pop(k, None)
            continue
        for key in want:
            if got[key] != want[key]:
                failures.append(f"run {i} ({' '.join(run.get('args', ['shell']))}): {key}\n"
                                f"  expected: {json.dumps(want[key], ensure_ascii=False)}\n"
                                f"  printed:  {json.dumps(got[key], ensure_ascii=False)}")
    if update:
        with open(path, "w", encoding="utf-8", errors="backslashreplace") as f:
            f.write(layout(shorten(case)) + "\n")
        return 0
    for f in failures:
        print(f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
