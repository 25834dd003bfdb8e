#!/usr/bin/env bash
# The layer check: the project's tree passes, and a tree with an include pointing up, beside,
# or to Qt where Qt has no place fails naming each one.
set -uo pipefail
script="$1/scripts/check_layers.sh"
fail() { echo "FAIL: $*"; exit 1; }

bash "$script" "$1" >/dev/null || fail "the project's own tree"

tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
put() { mkdir -p "$tree/$(dirname "$1")"; printf '%s\n' "$2" >"$tree/$1"; }
# Arrows that point down pass.
put values/graticule.cpp '#include "interfaces/record_data.h"'
put module/module_entry.cpp '#include "settings_dialog/tessar_dialog.h"'
put host/velogram/main.cpp '#include "host/zor/document.h"'
put foundation/gui/balloon.cpp '#include <QWidget>'
put calibration/fit.cpp '#include <vector>'
bash "$script" "$tree" >/dev/null || fail "a tree whose arrows point down"

# Each wrong include is named.
put calibration/tessar_automation.cpp '#include "report/fit_text.h"'
put foundation/gui/application_visibility.h '#include "interfaces/host_settings.h"'
put host/zor/scale_map.h '#include "guilib/graph/graticule.h"'
put calibration/curve_fit.cpp '#include <QString>'
put report/fit_text.cpp '#include "module/calc_class.h"'
out=$(bash "$script" "$tree") && fail "a tree with wrong includes passed"
for expected in 'calibration/tessar_automation.cpp:1: calibration includes "report/fit_text.h"' \
                'foundation/gui/application_visibility.h:1: foundation includes "interfaces/host_settings.h"' \
                'host/zor/scale_map.h:1: host/zor includes "guilib/graph/graticule.h"' \
                'calibration/curve_fit.cpp:1: includes the Qt header <QString>' \
                'report/fit_text.cpp:1: report includes "module/calc_class.h"'; do
  grep -qF "$expected" <<<"$out" || fail "not named: $expected (got: $out)"
done
[ "$(grep -c . <<<"$out")" = 5 ] || fail "exactly the five wrong includes: $out"
echo "ok"
