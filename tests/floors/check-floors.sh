#!/usr/bin/env bash
# The floor plan of the product folders: a folder may include its own
# headers and those of folders on lower floors, never one on its own floor
# or above. Prints every include that breaks the plan and fails on any.
# Usage: check-floors.sh [source root]
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}

# The one table of floors.
declare -A floor=(
  [base]=0 [res]=0 [i18n]=0
  [gui]=1 [quillon]=1
  [ups]=2 [config]=2 [records]=2
  [power]=3
  [schedule]=4 [net]=4
  [app]=5
)

broken=0
for folder in "${!floor[@]}"; do
  [ -d "$root/$folder" ] || { echo "missing folder: $folder"; broken=1; continue; }
  while IFS= read -r hit; do
    file=${hit%%:*}
    target=$(sed -E 's/.*#[[:space:]]*include[[:space:]]+"([a-z0-9_]+)\/.*/\1/' <<<"${hit#*:}")
    [ "$target" = "$folder" ] && continue
    if [ -z "${floor[$target]+set}" ]; then
      echo "${file#"$root"/}: includes $target/, which is on no floor"
      broken=1
    elif [ "${floor[$target]}" -ge "${floor[$folder]}" ]; then
      echo "${file#"$root"/}: $folder (floor ${floor[$folder]}) includes $target/ (floor ${floor[$target]})"
      broken=1
    fi
  done < <(grep -rHE '^[[:space:]]*#[[:space:]]*include[[:space:]]+"[a-z0-9_]+/' "$root/$folder" \
             --include='*.h' --include='*.cpp' --include='*.rc')
done
# Every product folder of the tree is on a floor.
for dir in "$root"/*/; do
  name=$(basename "$dir")
  case $name in build|dist|docs|tests|tools|bench|cmake|help) continue ;; esac
  [ -n "${floor[$name]+set}" ] || { echo "folder $name/ is on no floor"; broken=1; }
done
[ "$broken" -eq 0 ] && echo "floors: every include points down"
exit "$broken"
