#!/usr/bin/env python3
"""Tries the random drive's safety oracle against broken copies of the code:
each mutant changes one line that keeps a drive safe, in a scratch worktree of
HEAD, rebuilds random_drive_fuzz and runs it from the seed corpus. A rule the
fuzzer does not break within the time is a rule that tests nothing.

    tests/fuzz/oracle_mutants.py [SECONDS] [MUTANT...]   (120 s each unless given)

Needs clang-14 (as the fuzz stage); takes a few minutes per mutant on a
cold build. Exit 1 if a mutant survives."""
import os
import shutil
import subprocess
import sys
import tempfile

MUTANTS = [
    ("confirmation", "src/firmware/update_procedure.cpp",
     "if (!view.ConfirmUpdate(result.oldFirmware, result.newFirmware)) {",
     "if (!view.ConfirmUpdate(result.oldFirmware, result.newFirmware) && false) {",
     "WRITE BUFFER without the update confirmed"),
    ("refused-block", "src/firmware/firmware_transfer.cpp",
     "accepted = WriteDriveBuffer(context, kDownloadBlockId, offset, kDownloadBlock,",
     "accepted = true; WriteDriveBuffer(context, kDownloadBlockId, offset, kDownloadBlock,",
     "WRITE BUFFER after a refused block"),
    ("inquiry", "src/drive/discovery.cpp",
     "if (access.CheckSupported(context, *entry) == 0) {",
     "if (access.CheckSupported(context, *entry) == 0 || true) {",
     "WRITE BUFFER without a supported INQUIRY reply"),
    ("cpu-name", "src/firmware/update_procedure.cpp",
     "if (!CpuNameMatches(records, image, imageParts)) {",
     "if (false) {",
     "WRITE BUFFER without the image's CPU block from the drive"),
    ("own-region", "src/region/region_change.cpp",
     "if (known && current.kind == DriveRegion::Kind::Region && region == current.region) {",
     "if (false) {",
     "SEND KEY for the region the drive reported as its own"),
    ("mode-question", "src/speed/speed_operations.cpp",
     "if (!view_.AskOkCancel(Pick(speed_text::kSafetyQuestion, language),",
     "if (false && !view_.AskOkCancel(Pick(speed_text::kSafetyQuestion, language),",
     "START STOP UNIT without the question answered OK"),
]


def run(*command, **options):
    return subprocess.run(command, capture_output=True, text=True, **options)


def main():
    args = sys.argv[1:]
    seconds = int(args.pop(0)) if args and args[0].isdigit() else 120
    root = run("git", "rev-parse", "--show-toplevel").stdout.strip()
    scratch = tempfile.mkdtemp(prefix="kestrel-mutants-")
    tree, build = os.path.join(scratch, "tree"), os.path.join(scratch, "build")
    run("git", "-C", root, "worktree", "add", "--detach", tree, "HEAD", check=True)
    survivors = []
    try:
        run("cmake", "-S", tree, "-B", build, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=RelWithDebInfo",
            "-DKESTREL_FUZZ=ON", "-DCMAKE_C_COMPILER=clang-14", "-DCMAKE_CXX_COMPILER=clang++-14",
            check=True)
        for name, path, old, new, rule in MUTANTS:
            if args and name not in args:
                continue
            run("git", "-C", tree, "checkout", "--", ".", check=True)
            source = os.path.join(tree, path)
            with open(source) as f:
                text = f.read()
            if old not in text:
                print(f"{name}: the line to break is gone from {path}; update this mutant")
                survivors.append(name)
                continue
            with open(source, "w") as f:
                f.write(text.replace(old, new, 1))
            built = run("ninja", "-C", build, "random_drive_fuzz")
            if built.returncode != 0:
                print(f"{name}: does not build\n{built.stdout[-1500:]}")
                survivors.append(name)
                continue
            corpus = os.path.join(scratch, "corpus-" + name)
            shutil.copytree(os.path.join(tree, "tests/fuzz/corpus/random_drive"), corpus)
            fuzzer = os.path.join(build, "tests/fuzz/random_drive_fuzz")
            result = run(fuzzer, f"-max_total_time={seconds}", f"-artifact_prefix={corpus}/",
                         corpus, cwd=scratch)
            broken = [line for line in result.stderr.splitlines() if "safety rule broken" in line]
            if any(rule in line for line in broken):
                print(f"{name}: caught ({broken[0]})")
            else:
                print(f"{name}: SURVIVED {seconds} s (wanted: {rule}; got: {broken[:1] or 'nothing'})")
                survivors.append(name)
    finally:
        run("git", "-C", root, "worktree", "remove", "--force", tree)
        shutil.rmtree(scratch, ignore_errors=True)
    return 1 if survivors else 0


if __name__ == "__main__":
    sys.exit(main())
