"""The algorithms' table (qgis/ztclass_processing/commands.py) against the
ztclass program's --help: every command is offered or named here as not
offered, every option of a command is a parameter (or named here as one
the provider sets itself), every parameter's option exists, and each
parameter's help begins with the option's own help.

Usage: help_test.py ZTCLASS. Exits 0 when all holds, 1 otherwise."""
import re
import subprocess
import sys

from qgis_session import start

ZTCLASS = sys.argv[1]
session = start(ZTCLASS)
from ztclass_processing.commands import COMMANDS  # noqa: E402 (after QGIS starts)

# Commands that only print what a file holds, of no use as an algorithm.
NOT_OFFERED = {"info", "aoi", "samples", "model"}
# Options the provider sets itself: --srcwin stands for the window, and the
# user's choice of result file already allowed replacing it.
SET_BY_PROVIDER = {"-h", "--help", "--window"}
failures = []


def help_of(words):
    """{option: help text} of a command's --help, options by every name
    (-o and --output), positional arguments by their name."""
    text = subprocess.run([ZTCLASS] + words + ["--help"], capture_output=True, text=True).stdout
    options, section = {}, None
    for line in text.splitlines():
        if re.match(r"^[A-Z]+:$", line):
            section = line[:-1]
            continue
        entry = re.match(r"^  (\S+)(?: [A-Z]+(?::[^ ]+)?)*(?: \[[^\]]*\])?(?: [A-Z ]+)?\s{2,}(.*)$", line)
        if section not in ("POSITIONALS", "OPTIONS", "SUBCOMMANDS") or not entry:
            continue
        names, description = entry.groups()
        description = re.sub(r"\s*(REQUIRED|Excludes:.*|Needs:.*)$", "", description).strip()
        for name in names.split(","):
            options.setdefault(section, {})[name] = description
    return options


listed = help_of([]).get("SUBCOMMANDS", {})
offered = {c.words[0] for c in COMMANDS}
for name in sorted(set(listed) - offered - NOT_OFFERED):
    failures.append(f"command '{name}' has no algorithm")

for command in COMMANDS:
    name = " ".join(command.words)
    sections = help_of(command.words)
    options, positionals = sections.get("OPTIONS", {}), sections.get("POSITIONALS", {})
    if not options:
        failures.append(f"{name}: no options in its --help")
        continue
    mapped = {o for spec in command.specs for o in spec.options}
    if command.overwrite:
        mapped.add("--overwrite")
    # An option counts as mapped by any of its names.
    aliases = {}
    for option, description in options.items():
        aliases.setdefault(description, set()).add(option)
    for option, description in options.items():
        if option in SET_BY_PROVIDER or aliases[description] & mapped:
            continue
        failures.append(f"{name}: option {option} has no parameter")
    for option in mapped - set(options):
        failures.append(f"{name}: parameter option {option} is not in its --help")
    # Positional arguments in order.
    spec_positionals = [s for s in command.specs if not s.option]
    if len(spec_positionals) != len(positionals):
        failures.append(f"{name}: {len(positionals)} positional arguments, {len(spec_positionals)} parameters")
    for spec, (argument, description) in zip(spec_positionals, positionals.items()):
        if not spec.help.startswith(description):
            failures.append(f"{name}: {spec.name} help {spec.help!r} is not {argument}'s {description!r}")
    for spec in command.specs:
        if spec.option and spec.option in options and not spec.help.startswith(options[spec.option]):
            failures.append(f"{name}: {spec.name} help {spec.help!r} is not {spec.option}'s {options[spec.option]!r}")

session.close()
for failure in failures:
    print("FAILED", failure)
print(f"help: {len(COMMANDS)} algorithms, {len(failures)} failures")
sys.exit(1 if failures else 0)
