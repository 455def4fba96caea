#!/usr/bin/env bash
# Layers run one way: a file may include its own layer and those below it,
# never a folder above. tests/ and bench/ may include anything.
#   check_layers.sh SOURCE_ROOT
set -euo pipefail
root=$1
declare -A rank=([store]=0 [characters]=1 [debuggers]=1 [maintenance]=1 [datatools]=1
                 [windows]=2 [ui_bridge]=3 [app]=4)
checked=0
status=0
for folder in "${!rank[@]}"; do
  while IFS= read -r -d '' file; do
    checked=$((checked + 1))
    while IFS= read -r included; do
      top=${included%%/*}
      [[ -v rank[$top] ]] || continue
      if (( rank[$top] > rank[$folder] )); then
        echo "${file#"$root"/} includes $included, a layer above ${folder}/" >&2
        status=1
      fi
    done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
  done < <(find "$root/$folder" -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.rc' \) -print0)
done
# A wrong root would pass silently otherwise.
(( checked > 0 )) || { echo "no sources found under $root" >&2; exit 1; }
exit $status
