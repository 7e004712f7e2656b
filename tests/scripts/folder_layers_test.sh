#!/bin/sh
# Lower folders include no higher ones: the engine none of the program's
# folders above it, the document neither the views nor the macro language
# nor the application's windows (they stand above it and reach it).
set -eu
root="$1"
status=0
check() {  # folder, then the folders it must not include
  folder="$1"
  shift
  for above in "$@"; do
    hits="$(grep -rln "#include \"$above/" "$root/$folder" --include='*.cpp' --include='*.h' || true)"
    if [ -n "$hits" ]; then
      echo "$folder includes $above/:"
      echo "$hits"
      status=1
    fi
  done
}
check engine document view app lang ui dialogs files paint select
check document view app lang ui dialogs paint
check platform engine document view app lang ui dialogs files paint select framework libs
exit $status
