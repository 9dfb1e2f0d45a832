#!/usr/bin/env python3
"""docs/workstation.schema.json against the loader.

Every example and the embedded default must be valid; each row of CASES is
judged by the schema and by the loader (quorvel workstation FILE), and both
must give the expected verdict, so that the schema stays as strict as the
loader and no stricter. The keys of `latency`, which follow the simulated
functions, must be those the loader names as allowed. Exit 77 (skipped)
without python3-jsonschema.
Usage: check_workstation_schema.py SOURCE_DIR QUORVEL_PROGRAM
"""
import json, os, re, subprocess, sys, tempfile
from pathlib import Path

try:
    import jsonschema
except ImportError:
    print("SKIPPED: python3-jsonschema is not installed (apt-get install python3-jsonschema)")
    sys.exit(77)

# (accepted, description)
CASES = [
    (True, {}),
    (True, {"network": [{"usage": [1, "container"], "display": 99, "batch": None, "open_error": None,
                         "provider": None, "children": [{"type": "print"}]}]}),
    (True, {"connections": [{"local": None, "universal": {"error": 5}}], "providers": {"lanman": {"error": 0}}}),
    (True, {"registry": {"hkey_users\\S-1": {"a": -5, "b": "text", "c": {"type": 99, "hex": "0aFF"}, "d": {}}}}),
    (True, {"files": {"\\\\a\\\\b": {"dir": {"short": "DIR"}, "x": {"children": {"dir": "/tmp"}}}},
            "modules": {"a.dll": None, "b.dll": {"file_version": " 1, 2 ,3,65535"}},
            "messages": {"0000000053": "x", "4294967295": "y"}, "drives": {"c:": None}}),
    (True, {"latency": {}}),
    (True, {"latency": {"WNetOpenEnumA": 4294967295, "network": 0, "VerQueryValueA": 1}}),
    (False, {"x": 1}),
    (False, {"code_page": 850}),
    (False, {"os": {"fails": 1}}),
    (False, {"os": {"csd": "x" * 128}}),
    (False, {"os": {"platform_id": 4294967296}}),
    (False, {"providers": {"netware": {}}}),
    (False, {"providers": {"novell": "x"}}),
    (False, {"network": [{"display": "sever"}]}),
    (False, {"network": [{"usage": "container"}]}),
    (False, {"network": [{"batch": 0}]}),
    (False, {"network": [{"enum_error_after": None}]}),
    (False, {"network": [{"children": [{"remote": 5}]}]}),
    (False, {"connections": [{"universal": {"error": 5, "x": 1}}]}),
    (False, {"unknown_container_error": -1}),
    (False, {"registry": {"HKLM\\Software": {}}}),
    (False, {"registry": {"HKEY_LOCAL_MACHINEX": {}}}),
    (False, {"registry": {"HKEY_USERS\\x": {"a": 1.5}}}),
    (False, {"registry": {"HKEY_USERS\\x": {"a": -2147483649}}}),
    (False, {"registry": {"HKEY_USERS\\x": {"a": {"hex": "abc"}}}}),
    (False, {"registry": {"HKEY_USERS\\x": {"a": {"type": "REG_XYZ"}}}}),
    (False, {"profiles": {"C:ZTXDOM.INI": ""}}),
    (False, {"profiles": {"A.INI": None}}),
    (False, {"drives": {"CD:": "x"}}),
    (False, {"files": {"\\\\a\\b\\": {}}}),
    (False, {"files": {"\\\\a\\b": {"dir": "x", "y": {}}}}),
    (False, {"files": {"\\\\a\\b": {"x": {"short": "ABCDEFGHIJKLM"}}}}),
    (False, {"files": {"\\\\a\\b": {"x/y": {}}}}),
    (False, {"modules": {"b.dll": {"file_version": "1,2,3"}}}),
    (False, {"modules": {"b.dll": {"file_version": "1,2,3,65536"}}}),
    (False, {"messages": {"4294967296": "x"}}),
    (False, {"messages": {"53": None}}),
    (False, {"latency": 1000}),
    (False, {"latency": {"Network": 1}}),
    (False, {"latency": {"WNetOpenEnum": 1}}),
    (False, {"latency": {"network": -1}}),
    (False, {"latency": {"WNetCloseEnum": 4294967296}}),
    (False, {"latency": {"network": "1000"}}),
    (False, {"latency": {"GetVersionExA": None}}),
]


def main():
    source, program = Path(sys.argv[1]), sys.argv[2]
    schema = json.loads((source / "docs/workstation.schema.json").read_text(encoding="utf-8"))
    jsonschema.Draft202012Validator.check_schema(schema)
    validator = jsonschema.Draft202012Validator(schema)
    failures = []
    files = sorted((source / "examples").glob("*.json")) + [source / "platform/sim/DefaultWorkstation.json"]
    for path in files:
        for error in validator.iter_errors(json.loads(path.read_text(encoding="utf-8"))):
            failures.append(f"{path.name}: schema rejects a valid file: {error.json_path}: {error.message}")
    with tempfile.TemporaryDirectory() as folder:
        for accepted, description in CASES:
            case = os.path.join(folder, "case.json")
            with open(case, "w", encoding="utf-8") as f:
                json.dump(description, f)
            loader = subprocess.run([program, "workstation", case], capture_output=True, text=True).returncode == 0
            schema_ok = validator.is_valid(description)
            if loader != accepted or schema_ok != accepted:
                failures.append(f"{json.dumps(description)}: expected {'valid' if accepted else 'invalid'}, "
                                f"loader says {loader}, schema says {schema_ok}")
        # The loader lists the keys of latency it allows when it meets another.
        with open(case, "w", encoding="utf-8") as f:
            json.dump({"latency": {"?": 0}}, f)
        refusal = subprocess.run([program, "workstation", case], capture_output=True, text=True).stderr
        allowed = re.search(r"latency\[\"\?\"\]: unknown member \(expected one of: (.*)\)$", refusal.strip())
        in_schema = schema["properties"]["latency"]["propertyNames"]["enum"]
        if not allowed or allowed.group(1).split(", ") != in_schema:
            failures.append(f"latency: the schema allows {in_schema}, the loader says {refusal.strip()}")
    print("\n".join(failures) or f"{len(files)} files and {len(CASES)} cases agree")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
