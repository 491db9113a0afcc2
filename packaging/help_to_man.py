#!/usr/bin/env python3
"""Writes a program's man page (gzip-compressed roff) from its --help text.

help_to_man.py PROGRAM_FILE NAME SUMMARY VERSION OUT.1.gz

The help text's layout is our own: "Usage:" lines, a description, then
options as "  --option ARG   text" with deeper-indented continuation lines.
A later "Usage:" line starts a subsection (zelvan --headless).
"""
import gzip
import os
import re
import subprocess
import sys

OPTION = re.compile(r"^  (-\S.*?)(?:\s{2,}(\S.*))?$")
CONTINUATION = re.compile(r"^\s{4,}(\S.*)$")


def escape(text):
    text = text.replace("\\", "\\e").replace("-", "\\-")
    return "\\&" + text if text[:1] in (".", "'") else text


def option_term(term):
    # "--home DIR" -> bold option, italic argument; "--help, --version" stays bold.
    words = []
    for word in term.split(" "):
        if word.startswith("-") or word.endswith(","):
            words.append("\\fB" + escape(word) + "\\fR")
        else:
            words.append("\\fI" + escape(word) + "\\fR")
    return " ".join(words)


def to_roff(help_text, name, summary, version):
    lines = help_text.rstrip("\n").split("\n")
    out = [
        '.TH %s 1 "" "%s %s" "User Commands"' % (name.upper(), name, version),
        ".SH NAME",
        "%s \\- %s" % (escape(name), escape(summary)),
        ".SH SYNOPSIS",
    ]
    i = 0
    while i < len(lines) and (lines[i].startswith("Usage:") or lines[i].startswith("       ")):
        out += [".nf" if i == 0 else "", escape(lines[i].replace("Usage:", "").strip())]
        i += 1
    out = [line for line in out if line] + [".fi", ".SH DESCRIPTION"]
    in_options = False
    for line in lines[i:]:
        option = OPTION.match(line)
        more = CONTINUATION.match(line)
        if not line.strip():
            out.append(".PP")
        elif line.startswith("Usage:"):
            out.append('.SS "%s"' % escape(line[len("Usage:"):].strip()))
        elif option:
            out += [".TP", option_term(option.group(1))]
            if option.group(2):
                out.append(escape(option.group(2)))
            in_options = True
        elif more and in_options:
            out.append(escape(more.group(1)))
        else:
            out.append(escape(line.strip()))
            in_options = False
    # A paragraph break next to a heading, a list item or another break says nothing.
    cleaned = []
    for line in out:
        if line.startswith((".SS", ".TP", ".PP")) and cleaned and cleaned[-1] == ".PP":
            cleaned.pop()
        if line == ".PP" and cleaned and cleaned[-1] in (".fi", ".SH DESCRIPTION"):
            continue
        cleaned.append(line)
    while cleaned and cleaned[-1] == ".PP":
        cleaned.pop()
    return "\n".join(cleaned) + "\n"


def main():
    program, name, summary, version, target = sys.argv[1:6]
    # Without a display, as on a build server: --help must answer there too.
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
    env["LC_ALL"] = "C.UTF-8"
    help_text = subprocess.run([program, "--help"], check=True, capture_output=True, text=True, env=env).stdout
    roff = to_roff(help_text, name, summary, version)
    # mtime 0: the same help text gives the same file, byte for byte.
    with open(target, "wb") as f, gzip.GzipFile(filename="", mode="wb", fileobj=f, mtime=0, compresslevel=9) as gz:
        gz.write(roff.encode("utf-8"))


if __name__ == "__main__":
    main()
