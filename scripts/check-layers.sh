#!/usr/bin/env bash
# The folders are layers. A folder may include its own headers and those of
# folders below it, never one above: so no two folders include each other,
# directly or around a cycle. Reads the #include "folder/..." lines of the
# product's sources; exits non-zero, naming each offending line, otherwise.
set -euo pipefail
cd "$(dirname "$0")/.."

# Bottom first. A feature may use only what is listed before it.
layers=(gfx store controls output history annotate hotkey tray floaters settings overlay app)

rank() {
  local i
  for i in "${!layers[@]}"; do
    [ "${layers[$i]}" = "$1" ] && { echo "$i"; return; }
  done
  echo -1
}

status=0
edges=""
for from in "${layers[@]}"; do
  from_rank=$(rank "$from")
  while IFS= read -r hit; do
    [ -n "$hit" ] || continue
    file=${hit%%:*}
    to=$(sed -E 's/.*#include "([^/"]+)\/.*/\1/' <<<"$hit")
    [ "$to" = "$from" ] && continue
    to_rank=$(rank "$to")
    if [ "$to_rank" -lt 0 ]; then
      echo "$file: includes $to/, which is no layer of the product"; status=1
    elif [ "$to_rank" -gt "$from_rank" ]; then
      echo "$file: $from/ includes $to/, a higher layer: ${hit#*:}"; status=1
    fi
    edges+="$from $to"$'\n'
  done < <(grep -HE '^\s*#\s*include\s+"[^/"]+/' "$from"/*.h "$from"/*.cpp 2>/dev/null || true)
done

# A cycle between folders, told as such (it also breaks the order above).
if [ -n "$edges" ]; then
  cycle=$(sort -u <<<"$edges" | tsort 2>&1 >/dev/null || true)
  if [ -n "$cycle" ]; then
    echo "include cycle between folders (tsort names the folders of each loop):"
    sed -e 's/^tsort: -: input contains a loop:/  loop:/' -e 's/^tsort: /    /' <<<"$cycle"; status=1
  fi
fi

[ "$status" -eq 0 ] && echo "layers ok: ${layers[*]}"
exit "$status"
