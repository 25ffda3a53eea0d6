"""The manual page renders with man -l, and it and the bash completion cover
every command, sub-command and option that zrso-host itself names in its
help table (`zrso-host help --json`).

Usage: cli_docs_test.py ZRSO_HOST PACKAGING_DIR
"""
import json
import os
import re
import shutil
import subprocess
import sys

SKIP = 77


def option_names(text):
    return set(re.findall(r"(?<![\w-])(--?[a-z][a-z-]*)", text))


def zrso_host_words(zrso_host):
    """{command name: its options} and the global options, from help --json."""
    r = subprocess.run([zrso_host, "help", "--json"], capture_output=True, text=True, check=True)
    table = json.loads(r.stdout)
    names = {c["name"]: option_names(" ".join(o["option"] for o in c["options"]))
             for c in table["commands"]}
    return names, option_names(" ".join(o["option"] for o in table["global_options"]))


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
