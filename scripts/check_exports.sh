#!/usr/bin/env bash
# The module exports DllRegisterClassObjects and nothing else of ours; the framework library
# exports DllGetClassObject. Usage: check_exports.sh BIN_DIR
set -euo pipefail
bin="$1"
check() {
  local lib="$1" allowed="$2"
  [ -f "$bin/$lib" ] || { echo "exports: $lib not built yet, skipped"; return 0; }
  # Defined dynamic symbols (text and data), less the C++ runtime's weak template instances.
  local extra
  extra=$(nm -D --defined-only "$bin/$lib" | awk '$2 ~ /^[TDBR]$/ {print $3}' | grep -v -x -E "$allowed" || true)
  if [ -n "$extra" ]; then
    echo "exports: $lib exports more than $allowed:"; echo "$extra"; return 1
  fi
  echo "exports: $lib ok"
}
check libtessar.so 'DllRegisterClassObjects|_init|_fini|_edata|_end|__bss_start'
check libzor.so 'DllGetClassObject|_init|_fini|_edata|_end|__bss_start'
