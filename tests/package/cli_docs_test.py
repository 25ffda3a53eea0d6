"""The manual page renders with man -l, and it and the bash completion cover
every command, sub-command and option that zrso-host's own usage text names.

Usage: cli_docs_test.py ZRSO_HOST PACKAGING_DIR
"""
import os
import re
import shutil
import subprocess
import sys

SKIP = 77


def usage_words(zrso_host):
    """(commands, {command: sub-commands}, options) named by the usage text.

    A usage line is indented; columns are set apart by three or more blanks
    or by ' | '; a column opens with its command, alternatives joined by '|'
    (reconcile|mount), and a lower-case second word is a sub-command.
    """
    text = subprocess.run([zrso_host, "--help"], capture_output=True, text=True,
                          check=True).stdout
    commands, subs = set(), {}
    for line in text.splitlines():
        if not line.startswith("  "):
            continue
        for column in re.split(r" {3,}| \| ", line.strip()):
            words = column.split()
            if not words or not re.fullmatch(r"[a-z]+(\|[a-z]+)*", words[0]):
                continue
            for command in words[0].split("|"):
                commands.add(command)
                if len(words) > 1 and re.fullmatch(r"[a-z]+(\|[a-z]+)*", words[1]):
                    subs.setdefault(command, set()).update(words[1].split("|"))
    options = set(re.findall(r"(?<![\w-])(--[a-z][a-z-]*)", text))
    return commands, subs, options


def rendered_man(page):
    env = dict(os.environ, MANWIDTH="80", LC_ALL="C.UTF-8", MAN_KEEP_FORMATTING="")
    r = subprocess.run(["man", "--warnings", "-E", "UTF-8", "-l", page],
                       capture_output=True, text=True, env=env)
    assert r.returncode == 0, f"man -l failed: {r.stderr}"
    assert not r.stderr.strip(), f"man -l warns:\n{r.stderr}"
    # Rendered text may carry hyphenation marks and soft breaks.
    return re.sub(r"\u2010\s*", "", r.stdout)


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
    commands, subs, options = usage_words(zrso_host)
    assert {"init", "backup", "mount", "lun", "demo"} <= commands, commands
    assert "--plugin" in options and "--yes" in options, options

    man = rendered_man(os.path.join(packaging, "zrso-host.1"))
    assert man.startswith("ZRSO-HOST(1)"), man[:80]
    script = os.path.join(packaging, "zrso-host.bash-completion")
    source = open(script).read()

    problems = []
    offered = completions(script, ["zrso-host", ""])
    for command in sorted(commands):
        if command not in offered:
            problems.append(f"completion does not offer the command {command}")
        if not re.search(rf"^\s+{command}\b", man, re.M):
            problems.append(f"the manual page has no entry for {command}")
    for command, names in sorted(subs.items()):
        offered = completions(script, ["zrso-host", command, ""])
        for sub in sorted(names - offered):
            problems.append(f"completion does not offer {command} {sub}")
        for sub in sorted(names):
            if not re.search(rf"\b{command}\s+(\w+\|)*{sub}\b", man):
                problems.append(f"the manual page has no entry for {command} {sub}")
    for option in sorted(options):
        if option not in source:
            problems.append(f"completion does not know {option}")
        if option not in man:
            problems.append(f"the manual page does not mention {option}")

    # Option values: directories, files and the protocol choices.
    assert completions(script, ["zrso-host", "lun", "map", "--protocol", ""]) == {"3", "4"}
    assert "--yes" in completions(script, ["zrso-host", "rescan", "--"])

    for p in problems:
        print(p)
    print(f"{len(commands)} commands, {sum(map(len, subs.values()))} sub-commands, "
          f"{len(options)} options checked; {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
