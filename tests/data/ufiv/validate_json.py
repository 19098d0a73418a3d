#!/usr/bin/env python3
"""Validates JSON files against a JSON schema (draft 7) with python3-jsonschema.

Usage: validate_json.py SCHEMA FILE...
Exit status 0 when every file is valid, 1 when one is not (each error is
printed with its place in the file), 2 on a bad schema or unreadable file.
"""
import json
import sys

import jsonschema


def main(argv):
    if len(argv) < 3:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    try:
        with open(argv[1], encoding="utf-8") as f:
            schema = json.load(f)
        jsonschema.Draft7Validator.check_schema(schema)
    except (OSError, ValueError, jsonschema.SchemaError) as e:
        print(f"{argv[1]}: {e}", file=sys.stderr)
        return 2
    validator = jsonschema.Draft7Validator(schema)
    status = 0
    for path in argv[2:]:
        try:
            with open(path, encoding="utf-8") as f:
                document = json.load(f)
        except (OSError, ValueError) as e:
            print(f"{path}: {e}", file=sys.stderr)
            return 2
        for error in validator.iter_errors(document):
            place = "/".join(str(p) for p in error.absolute_path) or "(top)"
            print(f"{path}: {place}: {error.message}")
            status = 1
    return status


if __name__ == "__main__":
    sys.exit(main(sys.argv))
