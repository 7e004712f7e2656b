#!/bin/sh
# The program exports ordinals 1 to 5 (the shared-memory section class):
#   check_exports.sh OBJDUMP PROGRAM
set -e
table="$("$1" -p "$2")"
for ordinal in 1 2 3 4 5; do
  echo "$table" | grep -Eq "\+base\[ *$ordinal\]" || { echo "ordinal $ordinal is not exported"; exit 1; }
done
echo "$table" | grep -Eq "\+base\[ *6\]" && { echo "more than five exports"; exit 1; }
exit 0
