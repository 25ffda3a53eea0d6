"""The manual page renders with man -l, and it and the bash completion cover
every command, sub-command and option that zrso-host itself names: its help
table (`zrso-host help --json`) where it has one, else its usage text.

Usage: cli_docs_test.py ZRSO_HOST PACKAGING_DIR
"""
import json
import os
import re
import shutil
import subprocess
import sys

SKIP = 77
WORD = r"[a-z]+(\|[a-z]+)*"  # a command word, alternatives joined by '|'


def option_names(text):
    return set(re.findall(r"(?<![\w-])(--?[a-z][a-z-]*)", text))


def from_table(table):
    """{command name: its options} and the global options, from help --json."""
    names = {c["name"]: option_names(" ".join(o["option"] for o in c["options"]))
             for c in table["commands"]}
    return names, option_names(" ".join(o["option"] for o in table["global_options"]))


def from_usage(text):
    """The same from the usage text. A usage line is indented; columns are set
    apart by three or more blanks or by ' | '; a column opens with its command
    and a lower-case sub-command, else it goes on the column before."""
    names, current = {}, []
    for line in text.splitlines():
        if not line.startswith("  "):
            continue
        for column in re.split(r" {3,}| \| ", line.strip()):
            words = column.split()
            if words and re.fullmatch(WORD, words[0]):
                subs = words[1].split("|") if len(words) > 1 and re.fullmatch(WORD, words[1]) else [""]
                current = [f"{c} {s}".strip() for c in words[0].split("|") for s in subs]
            for name in current:
                names.setdefault(name, set()).update(option_names(column))
    head = text.splitlines()[0] if text else ""
    return names, option_names(head)


def zrso_host_words(zrso_host):
    r = subprocess.run([zrso_host, "help", "--json"], capture_output=True, text=True)
    try:
        return from_table(json.loads(r.stdout))
    except (ValueError, KeyError, TypeError):
        usage = subprocess.run([zrso_host, "--help"], capture_output=True, text=True, check=True)
        return from_usage(usage.stdout)


def rendered_man(page):
    env = dict(os.environ, MANWIDTH="80", LC_ALL="C.UTF-8")
    r = subprocess.run(["man", "--warnings", "-E", "UTF-8", "-l", page],
                       capture_output=True, text=True, env=env)
    assert r.returncode == 0, f"man -l failed: {r.stderr}"
    assert not r.stderr.strip(), f"man -l warns:\n{r.stderr}"
    return re.sub(r"\u2010\s*", "", r.stdout)  # hyphenation marks


def completions(script, words):
    """What the completion offers for the last of words (the word being typed)."""
    line = " ".join(f"'{w}'" for w in words)
    program = (f"source '{script}'; COMP_WORDS=({line}); COMP_CWORD={len(words) - 1}; "
               "_zrso_host; printf '%s\\n' \"${COMPREPLY[@]}\"")
    r = subprocess.run(["bash", "-c", program], capture_output=True, text=True, check=True)
    return set(r.stdout.split())


def main():
    zrso_host, packaging = sys.argv[1], sys.argv[2]
    if not shutil.which("man"):
        print("skipped: man is not installed")
        return SKIP
    names, global_options = zrso_host_words(zrso_host)
    assert {"init", "backup", "mount", "lun create", "demo"} <= set(names), sorted(names)
    assert {"--home", "--plugin"} <= global_options, global_options

    man = rendered_man(os.path.join(packaging, "zrso-host.1"))
    assert man.startswith("ZRSO-HOST(1)"), man[:80]
    script = os.path.join(packaging, "zrso-host.bash-completion")

    problems = []
    commands = completions(script, ["zrso-host", ""])
    for name, options in sorted(names.items()):
        words = name.split()
        offered = commands if len(words) == 1 else completions(script, ["zrso-host", words[0], ""])
        if words[-1] not in offered:
            problems.append(f"completion does not offer {name}")
        if not re.search(r"\b" + r"\s+(\w+\|)*".join(words) + r"\b", man):
            problems.append(f"the manual page has no entry for {name}")
        for option in sorted(options - completions(script, ["zrso-host", *words, "-"])):
            problems.append(f"completion does not offer {option} after {name}")
    for option in sorted(global_options | set().union(*names.values())):
        if not re.search(rf"(?<![\w-]){option}\b", man):
            problems.append(f"the manual page does not mention {option}")
    if completions(script, ["zrso-host", "lun", "map", "--protocol", ""]) != {"3", "4"}:
        problems.append("completion does not offer the protocols after --protocol")

    for p in problems:
        print(p)
    print(f"{len(names)} commands, {len(global_options)} global options checked; "
          f"{len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
