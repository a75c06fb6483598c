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
    """{section: {option: (help text, all its names)}} of a command's
    --help, options by every name (-o and --output), positional arguments
    by their name."""
    text = subprocess.run([ZTCLASS] + words + ["--help"], capture_output=True, text=True).stdout
    sections, section, names = {}, None, []
    for line in text.splitlines():
        heading = re.fullmatch(r"(\w+):", line)
        if heading:
            section = sections.setdefault(heading.group(1).upper(), {})
            continue
        entry = re.fullmatch(r"  (\S+)(.*?)(?:\s{2,}(\S.*))?", line)
        if section is None or not entry:
            continue
        if line.startswith("   ") and names:  # a description on a line of its own
            description = line.strip()
        else:
            names, description = entry.group(1).split(","), entry.group(3) or ""
        for name in names:
            section[name] = (description, set(names))
    return sections


listed = help_of([]).get("SUBCOMMANDS", {})
if not listed:
    failures.append("no commands in ztclass --help")
offered = {c.words[0] for c in COMMANDS}
for name in sorted(set(listed) - offered - NOT_OFFERED):
    failures.append(f"command '{name}' has no algorithm (add a Command in qgis/ztclass_processing/commands.py)")
# Every method train knows: a train algorithm, derived from the method's.
trained = {c.words[1] for c in COMMANDS if c.words[0] == "train"}
for name in sorted(set(help_of(["train"]).get("SUBCOMMANDS", {})) - trained):
    failures.append(f"train {name} has no algorithm (its command lacks the SAVE_MODEL parameter)")

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
    for option, (description, aliases) in options.items():
        if option in SET_BY_PROVIDER or aliases & mapped:
            continue
        failures.append(f"{name}: option {option} has no parameter (add one in qgis/ztclass_processing/commands.py)")
    for option in mapped - set(options):
        failures.append(f"{name}: parameter option {option} is not in its --help")
    # Positional arguments in order.
    spec_positionals = [s for s in command.specs if not s.option]
    if len(spec_positionals) != len(positionals):
        failures.append(f"{name}: {len(positionals)} positional arguments, {len(spec_positionals)} parameters")
    for spec, (argument, (description, _)) in zip(spec_positionals, positionals.items()):
        if not spec.help.startswith(description):
            failures.append(f"{name}: {spec.name} help {spec.help!r} is not {argument}'s {description!r}")
    for spec in command.specs:
        description = options.get(spec.option, ("",))[0]
        if spec.option and not spec.help.startswith(description):
            failures.append(f"{name}: {spec.name} help {spec.help!r} is not {spec.option}'s {description!r}")

session.finish(failures, f"help: {len(COMMANDS)} algorithms, {len(failures)} failures")
