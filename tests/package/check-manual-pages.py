#!/usr/bin/env python3
"""The manual pages format without a warning from man, and pelorix-render.1
documents exactly the options and exit statuses that `pelorix-render --help`
prints.

    check-manual-pages.py <pelorix-render> <pelorix-render.1> [<page.1> ...]
"""
import os
import re
import subprocess
import sys

# An option: a dash or two and a letter, not inside a word ("drawing-area")
# nor a number ("-0.39").
OPTION = re.compile(r"(?<![\w-])(--?[a-z][a-z-]*)")


def man_warnings(page):
    """What man says on standard error while formatting the page, as lintian runs it."""
    env = dict(os.environ, LC_ALL="C.UTF-8", MANROFFSEQ="", MANWIDTH="80")
    run = subprocess.run(["man", "--warnings", "-E", "UTF-8", "-l", "-Tutf8", "-Z", page],
                         env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    return run.stderr.strip() or (f"man exited with {run.returncode}" if run.returncode else "")


def plain(source):
    """The page's text with the escapes that options and numbers are written with undone."""
    source = source.replace(r"\-", "-")
    source = re.sub(r"\\\(..", " ", source)  # named characters: quotes, tilde
    return re.sub(r"\\f[BIRP]", "", source)


def sections(source):
    """Section name -> its text."""
    parts = re.split(r"^\.SH +\"?([^\"\n]*)\"?\n", source, flags=re.M)
    return dict(zip(parts[1::2], parts[2::2]))


def main():
    render, render_page, *pages = sys.argv[1:]
    failures = []
    for page in [render_page] + pages:
        warnings = man_warnings(page)
        if warnings:
            failures.append(f"{page}: {warnings}")

    usage = subprocess.run([render, "--help"], check=True, stdout=subprocess.PIPE, text=True).stdout
    body, _, status_text = usage.partition("Exit status:")
    help_options = set(OPTION.findall(body))
    help_statuses = set(re.findall(r"(?:^|;)\s*(\d+) ", status_text))
    if not help_options or not help_statuses:
        failures.append("--help names no options or no exit status:\n" + usage)

    with open(render_page, encoding="utf-8") as f:
        text = plain(f.read())
    found = sections(text)
    documented = set(OPTION.findall(found.get("OPTIONS", "")))
    mentioned = documented | set(OPTION.findall(found.get("SYNOPSIS", "")))
    statuses = set(re.findall(r"^\.TP\n\.B (\d+)$", found.get("EXIT STATUS", ""), flags=re.M))
    for what, wanted, got, named in (("option", help_options, documented, mentioned),
                                     ("exit status", help_statuses, statuses, statuses)):
        for missing in sorted(wanted - got):
            failures.append(f"{render_page}: the {what} {missing} of --help is not documented")
        for extra in sorted(named - wanted):
            failures.append(f"{render_page}: the {what} {extra} is not one --help gives")

    for failure in failures:
        print(failure, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
