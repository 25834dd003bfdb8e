#!/usr/bin/env bash
# Checks that every include points down the layers. Each source folder may include itself and
# the folders listed for it; anything else (a quoted include of another project folder) fails,
# naming the file, the line and the include. Folders without Qt may not include Qt headers.
# Usage: bash scripts/check_layers.sh [ROOT]   (ROOT: the source tree, default the repository)
# Exit status 0 when every arrow points down, 1 otherwise.
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root"

# folder: the folders it may include besides itself, lowest first
declare -A allowed=(
  [platform]=""
  [foundation]="platform"
  [interfaces]="foundation platform"
  [values]="interfaces foundation platform"
  [resources]="foundation platform"
  [calibration]="values interfaces foundation platform resources"
  [guilib]="values interfaces foundation platform resources"
  [report]="guilib calibration values interfaces foundation platform resources"
  [settings_dialog]="report guilib calibration values interfaces foundation platform resources"
  [module]="settings_dialog report guilib calibration values interfaces foundation platform resources"
  [host/zor]="values interfaces foundation platform"
  [host/velogram]="host/zor values interfaces foundation platform"
)
# Folders that compile without Qt.
qt_free="platform interfaces values calibration"

# The layer a path (a file or an included path) belongs to: host/zor and host/velogram are
# layers of their own, anything else its first folder.
layer_of() {
  case "$1" in
    host/*) echo "$1" | cut -d/ -f1-2 ;;
    *) echo "${1%%/*}" ;;
  esac
}

status=0
for layer in "${!allowed[@]}"; do
  [ -d "$layer" ] || continue
  while IFS= read -r hit; do
    file=${hit%%:*}
    rest=${hit#*:}
    line=${rest%%:*}
    included=$(sed -E 's/^[^"<]*["<]([^">]+)[">].*/\1/' <<<"${rest#*:}")
    if [[ "$included" == Q* ]]; then
      # A Qt header: only where Qt is allowed (foundation/gui is the foundation's Qt half).
      if [[ " $qt_free " == *" $layer "* ]] || { [ "$layer" = foundation ] && [[ "$file" != foundation/gui/* ]]; }; then
        echo "$file:$line: includes the Qt header <$included> in a folder without Qt"
        status=1
      fi
      continue
    fi
    target=$(layer_of "$included")
    # Only the project's own folders are layers; system and generated headers pass.
    [ -n "${allowed[$target]+x}" ] || [ "$target" = host ] || continue
    ok=0
    [ "$target" = "$layer" ] && ok=1
    for a in ${allowed[$layer]}; do [ "$target" = "$a" ] && ok=1; done
    if [ "$ok" = 0 ]; then
      echo "$file:$line: $layer includes \"$included\", which lies above it or beside it"
      status=1
    fi
  done < <(grep -rn --include='*.h' --include='*.cpp' -E '^\s*#\s*include\s*["<]' "$layer" || true)
done
[ "$status" = 0 ] && echo "layers: every include points down"
exit "$status"
