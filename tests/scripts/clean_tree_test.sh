#!/bin/sh
# scripts/clean-tree in a throwaway repository: a file the "tests" leave, a
# tracked file they change or remove, fail the check and are named; a tree
# left as it was, with files that were there before, passes.
set -eu
script="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
git init -q repo
cd repo
mkdir scripts
cp "$script" scripts/clean-tree
printf 'build/\n' >.gitignore
echo kept >kept.txt
git add -A
git -c user.name=t -c user.email=t@t commit -qm init
echo before >untracked-before.txt
bash scripts/clean-tree snapshot ../state

mkdir -p build && echo ignored >build/out.txt
bash scripts/clean-tree check ../state || { echo "FAIL: an untouched tree was refused"; exit 1; }

echo stray >'C:\Prog\LUMODB.DAT'
if bash scripts/clean-tree check ../state 2>../why; then echo "FAIL: a new file passed"; exit 1; fi
grep -q 'LUMODB.DAT' ../why || { echo "FAIL: the new file is not named"; cat ../why; exit 1; }
rm 'C:\Prog\LUMODB.DAT'

echo changed >kept.txt
if bash scripts/clean-tree check ../state 2>/dev/null; then echo "FAIL: a changed file passed"; exit 1; fi
git checkout -q kept.txt
rm kept.txt
if bash scripts/clean-tree check ../state 2>/dev/null; then echo "FAIL: a removed file passed"; exit 1; fi
git checkout -q kept.txt
bash scripts/clean-tree check ../state
echo "clean-tree: ok"
