"""Validates JSON files against a JSON schema (draft 7), checking formats too.

usage: validate-json.py SCHEMA FILE...; prints one line per invalid file and exits 1 if any.
"""
import json
import sys

import jsonschema

schema = json.load(open(sys.argv[1], encoding="utf-8"))
validator = jsonschema.Draft7Validator(schema, format_checker=jsonschema.FormatChecker())
bad = 0
for path in sys.argv[2:]:
    errors = list(validator.iter_errors(json.load(open(path, encoding="utf-8"))))
    for error in errors:
        print(f"{path}: {'/'.join(map(str, error.absolute_path))}: {error.message}")
    bad += bool(errors)
sys.exit(1 if bad else 0)
