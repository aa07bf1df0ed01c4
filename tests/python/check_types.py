"""mypy --strict on the package's types, on every Python example of docs/python.md and
README.md, and on typing_mistakes.py, where it must report exactly the marked lines.

    python3 check_types.py [FOLDER]    FOLDER: where the package zantrel is, if not installed
"""

import os
import pathlib
import re
import subprocess
import sys
import tempfile

ROOT = pathlib.Path(__file__).resolve().parents[2]
HERE = pathlib.Path(__file__).resolve().parent
# pandas and matplotlib are optional, and Debian's ship no types; Dask's own are
# incomplete (untyped constructors). All four are taken as untyped: what is checked is
# zantrel's types and their use.
CONFIG = """[mypy]
strict = True
[mypy-pandas.*,matplotlib.*,dask.*,distributed.*]
ignore_missing_imports = True
follow_imports = skip
"""


def mypy(folder, *arguments):
    env = dict(os.environ)
    if folder:
        env["MYPYPATH"] = folder
    return subprocess.run([sys.executable, "-m", "mypy", "--config-file", str(CONFIG_FILE), "--no-incremental",
                           "--cache-dir", os.devnull, *arguments], capture_output=True, text=True, env=env)


def examples(folder):
    """Each ```python block of the documents as a file of its own."""
    files = []
    for document in (ROOT / "docs" / "python.md", ROOT / "README.md"):
        blocks = re.findall(r"^```python\n(.*?)^```", document.read_text(encoding="utf-8"), re.S | re.M)
        for i, block in enumerate(blocks):
            path = pathlib.Path(folder) / f"{document.stem}_{i}.py"
            path.write_text(block, encoding="utf-8")
            files.append(str(path))
    return files


def main():
    global CONFIG_FILE
    folder = sys.argv[1] if len(sys.argv) > 1 else None
    failed = False
    with tempfile.TemporaryDirectory() as scratch:
        CONFIG_FILE = pathlib.Path(scratch) / "mypy.ini"
        CONFIG_FILE.write_text(CONFIG)
        files = examples(scratch)
        if len(files) < 5:
            print(f"check_types: only {len(files)} examples found in the documents")
            failed = True
        for what, arguments in (("the package", ["-p", "zantrel"]), ("the documents' examples", files)):
            done = mypy(folder, *arguments)
            if done.returncode != 0:
                print(f"mypy --strict on {what}:\n{done.stdout}{done.stderr}")
                failed = True
        mistakes = HERE / "typing_mistakes.py"
        expected = {i + 1 for i, line in enumerate(mistakes.read_text().splitlines()) if line.endswith("# mistake")}
        done = mypy(folder, str(mistakes))
        reported = {int(m) for m in re.findall(r"^[^:]+:(\d+): error", done.stdout, re.M)}
        if reported != expected or not expected:
            print(f"typing_mistakes.py: mypy should report lines {sorted(expected)}, reported "
                  f"{sorted(reported)}:\n{done.stdout}{done.stderr}")
            failed = True
    print("check_types: " + ("failed" if failed else "mypy --strict passes; every marked mistake is caught"))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
