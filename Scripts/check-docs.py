#!/usr/bin/env python3
"""Keeps the commands shown in README.md and docs/*.md true.

Usage: check-docs.py SOURCE_DIR BUILD_DIR

The convention the guides follow: in a code block (fenced, or indented by four
spaces), a line that starts with "$ " is a command as typed at the root of a
clone after `bash Scripts/test.sh`; the lines after it, up to a blank line,
are what it prints. A line "..." stands for lines left out, "..." inside a
line for text left out; the shown lines must appear in this order. A trailing
"# exit N" says the command ends with status N (0 otherwise); any other
trailing "# ..." is a remark. "build/main" is the build tree.

Each command is either run or checked, by its program:
- run: tolvern-inspect and tolvern-emu on built files, sha256sum,
  llvm-symbolizer on a symbol file, and Scripts/boot.sh (booted from the build, --no-build) unless it waits for gdb;
  the exit status and the shown output must match. So is a boot piped into
  tolvern-log, `bash Scripts/boot.sh ... | build/main/.../tolvern-log ...`:
  the shown output is tolvern-log's, the exit status its own.
- checked: other scripts and built programs must exist and know every option
  shown; `cmake --build build/main --target T` needs the target T, and
  `ctest -R X` must select a test.
A command line without "$ " in a block that shows no output of a command, a
command no rule covers, and a link to a file or heading that is not there fail
the check too. Every failure is one line.
"""

import os
import re
import shlex
import subprocess
import sys

RUN_TIMEOUT_SECONDS = 60
RUN_PROGRAMS = ("tolvern-inspect", "tolvern-emu", "sha256sum", "llvm-symbolizer")
COMMAND_LIKE = re.compile(r"^(bash |build/|cmake |ctest|cd build|sha256sum |Scripts/)")


class Command:
    def __init__(self, path, line, text, shown):
        self.path, self.line, self.text, self.shown = path, line, text, shown


def code_lines(text):
    """Yields (line number, text) for every line inside a code block."""
    fenced = False
    previous_blank = True
    in_indented = False
    for number, line in enumerate(text.split("\n"), 1):
        if line.lstrip().startswith("```"):
            fenced = not fenced
            yield number, ""  # a fence ends a command's output
            continue
        if fenced:
            yield number, line
            continue
        if line.startswith("    ") and (previous_blank or in_indented):
            in_indented = True
            yield number, line[4:]
        else:
            in_indented = in_indented and line.strip() == ""
            if in_indented:
                yield number, ""
        previous_blank = line.strip() == ""


def commands_in(path):
    found, strays = [], []
    current = None
    pending = ""
    with open(path, encoding="utf-8") as handle:
        lines = list(code_lines(handle.read()))
    last_number = None
    for number, line in lines:
        if last_number is not None and number != last_number + 1:
            current = None  # a gap in the code means a new block
        last_number = number
        stripped = line.strip()
        if pending:
            pending += " " + stripped.rstrip("\\").strip()
            if not stripped.endswith("\\"):
                current = Command(path, start, pending, [])
                found.append(current)
                pending = ""
            continue
        if stripped.startswith("$ "):
            start = number
            pending = stripped[2:].rstrip("\\").strip()
            if not stripped.endswith("\\"):
                current = Command(path, number, pending, [])
                found.append(current)
                pending = ""
            continue
        if stripped == "" or stripped.startswith("(gdb)"):
            current = None
            continue
        if current is not None:
            current.shown.append(stripped)
        elif COMMAND_LIKE.match(stripped):
            strays.append((number, stripped))
    return found, strays


class Checker:
    def __init__(self, source, build):
        self.source, self.build = source, os.path.abspath(build)
        self.failures = []
        self.help_text = {}

    def fail(self, command, why):
        where = os.path.relpath(command.path, self.source)
        self.failures.append(f"{where}:{command.line}: {command.text}: {why}")

    def real(self, word):
        """The word with the guides' build/main mapped to this build tree."""
        if word == "build/main" or word.startswith("build/main/"):
            return self.build + word[len("build/main"):]
        return word

    def check(self, command):
        text, expected_status = command.text, 0
        remark = re.search(r"\s+#\s*(.*)$", text)
        if remark:
            status = re.fullmatch(r"exit (\d+)", remark.group(1).strip())
            if status:
                expected_status = int(status.group(1))
            text = text[: remark.start()]
        cwd = self.source
        parts = [shlex.split(part) for part in text.split("&&")]
        for words in parts[:-1]:
            if words[:1] == ["cd"] and len(words) == 2:
                cwd = os.path.join(cwd, self.real(words[1]))
                if not os.path.isdir(cwd):
                    return self.fail(command, f"no directory {words[1]}")
            elif words[:2] != ["mkdir", "-p"]:
                return self.fail(command, "only `cd DIR &&` and `mkdir -p DIR &&` may come first")
        words = parts[-1]
        if words[:1] == ["bash"]:
            words = words[1:]
        program = os.path.basename(words[0])
        if "|" in words:
            self.run_boot_into_log(command, cwd, words, expected_status)
        elif program == "boot.sh" and "--gdb" not in words:
            self.run(command, cwd, self.boot_words(words), expected_status)
        elif program in RUN_PROGRAMS and not (
            {"--svg", "--output"} & set(words)
        ):
            self.run(command, cwd, [self.real(word) for word in words], expected_status)
        elif program == "cmake" and words[1:2] == ["--build"]:
            self.check_target(command, words)
        elif program == "ctest":
            self.check_ctest(command, cwd, words)
        else:
            self.check_program(command, cwd, words)

    def boot_words(self, words):
        return ["bash", os.path.join(self.source, words[0])] + words[1:] + [
            "--no-build", "--build-dir", self.build]

    def run_boot_into_log(self, command, cwd, words, expected_status):
        boot, reader = words[: words.index("|")], words[words.index("|") + 1:]
        if (os.path.basename(boot[0]) != "boot.sh" or "--gdb" in boot or not reader
                or os.path.basename(reader[0]) != "tolvern-log"):
            return self.fail(command, "only a boot piped into tolvern-log is run")
        try:
            with subprocess.Popen(self.boot_words(boot), cwd=cwd, stdin=subprocess.DEVNULL,
                                  stdout=subprocess.PIPE, stderr=subprocess.DEVNULL) as booting:
                self.run(command, cwd, [self.real(word) for word in reader], expected_status,
                         stdin=booting.stdout)
                booting.wait(timeout=RUN_TIMEOUT_SECONDS)
        except (OSError, subprocess.TimeoutExpired) as error:
            return self.fail(command, f"did not run: {error}")

    def run(self, command, cwd, words, expected_status, stdin=subprocess.DEVNULL):
        try:
            result = subprocess.run(words, cwd=cwd, stdin=stdin,
                                    stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                    timeout=RUN_TIMEOUT_SECONDS)
        except (OSError, subprocess.TimeoutExpired) as error:
            return self.fail(command, f"did not run: {error}")
        output = result.stdout.decode("utf-8", "replace").replace(self.build, "build/main")
        if result.returncode != expected_status:
            last = output.strip().split("\n")[-1] if output.strip() else ""
            return self.fail(command, f"exit status {result.returncode}, the guide says "
                                      f"{expected_status} ({last})")
        self.match_output(command, output)

    def match_output(self, command, output):
        actual = [" ".join(line.split()) for line in output.split("\n")]
        index = 0
        for shown in command.shown:
            if shown == "...":
                continue
            pattern = ".*".join(re.escape(" ".join(piece.split()))
                                for piece in shown.split("..."))
            while index < len(actual) and not re.fullmatch(pattern, actual[index]):
                index += 1
            if index == len(actual):
                return self.fail(command, f"the output has no line (in this order) like: {shown}")
            index += 1

    def check_program(self, command, cwd, words):
        program = words[0]
        path = os.path.join(cwd, self.real(program))
        if "/" not in program or not os.path.isfile(path):
            return self.fail(command, "no rule runs or checks this command "
                                      "(a script or built program that exists)")
        with open(path, "rb") as handle:
            known = handle.read()
        for word in words[1:]:
            option = re.match(r"^-{1,2}[A-Za-z][\w-]*", word)
            name = option.group(0).lstrip("-").encode() if option else b""
            if option and name not in known and name not in self.help_of(path):
                self.fail(command, f"{program} does not know {option.group(0)}")
            elif word.startswith(("build/main/", "Scripts/", "Fuzz/", "Tests/")):
                if not os.path.exists(os.path.join(cwd, self.real(word))):
                    self.fail(command, f"no file {word}")

    def help_of(self, path):
        """What a program's --help prints: options a library parses are not in its bytes.
        Asked only of a program whose bytes lack an option, as a fuzzer would take
        --help for a corpus."""
        if path not in self.help_text:
            try:
                self.help_text[path] = subprocess.run(
                    [path, "--help"], stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                    stderr=subprocess.STDOUT, timeout=10).stdout
            except (OSError, subprocess.TimeoutExpired):
                self.help_text[path] = b""
        return self.help_text[path]

    def check_target(self, command, words):
        if "--target" not in words:
            return self.fail(command, "only `cmake --build build/main --target T` is checked")
        target = words[words.index("--target") + 1]
        targets = subprocess.run(["ninja", "-C", self.build, "-t", "targets", "all"],
                                 stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        names = {line.split(":")[0] for line in targets.stdout.split("\n")}
        if target not in names:
            self.fail(command, f"no target {target} in the build")

    def check_ctest(self, command, cwd, words):
        listed = subprocess.run(["ctest", "-N"] + words[1:], cwd=cwd,
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        total = re.search(r"Total Tests: (\d+)", listed.stdout)
        if not total or int(total.group(1)) == 0:
            self.fail(command, "selects no test")


def slug(heading):
    text = re.sub(r"[^\w\- ]", "", heading.strip().lower())
    return text.replace(" ", "-")


def anchors(path):
    with open(path, encoding="utf-8") as handle:
        return {slug(line.lstrip("#")) for line in handle if line.startswith("#")}


def broken_links(path):
    """Yields (line number, link) for each relative link whose file or heading is missing."""
    with open(path, encoding="utf-8") as handle:
        lines = handle.read().split("\n")
    for number, line in enumerate(lines, 1):
        for target in re.findall(r"\]\(([^)\s]+)\)", line):
            if re.match(r"^[a-z]+:", target):
                continue
            file, _, anchor = target.partition("#")
            linked = os.path.normpath(os.path.join(os.path.dirname(path), file)) if file else path
            if not os.path.exists(linked) or (
                    anchor and linked.endswith(".md") and anchor not in anchors(linked)):
                yield number, target


def main():
    if len(sys.argv) != 3:
        print("check-docs: usage: check-docs.py SOURCE_DIR BUILD_DIR", file=sys.stderr)
        return 2
    source = os.path.abspath(sys.argv[1])
    checker = Checker(source, sys.argv[2])
    guides = [os.path.join(source, "README.md")]
    docs = os.path.join(source, "docs")
    guides += sorted(os.path.join(docs, name) for name in os.listdir(docs) if name.endswith(".md"))
    count = 0
    for path in guides:
        found, strays = commands_in(path)
        for number, line in strays:
            checker.failures.append(f"{os.path.relpath(path, source)}:{number}: {line}: "
                                    "a command without `$ ` (or output without its command)")
        for command in found:
            checker.check(command)
            count += 1
        for number, target in broken_links(path):
            checker.failures.append(f"{os.path.relpath(path, source)}:{number}: "
                                    f"the link {target} leads nowhere")
    for failure in checker.failures:
        print(f"check-docs: {failure}", file=sys.stderr)
    print(f"check-docs: {count} commands in {len(guides)} guides, "
          f"{len(checker.failures)} failures")
    return 1 if checker.failures else 0


if __name__ == "__main__":
    sys.exit(main())
