#!/usr/bin/env bash
# The rules the source tree keeps, checked on every test run: each folder's includes stay
# within its layer (core below device and ui, the executables on top), the core has no
# widgets, and the sources are formatted as .clang-format says.
# Usage: source-rules.sh SOURCE_DIR (run by ctest as source_rules)
set -uo pipefail
cd "$1" || exit 2
status=0
broken() { echo "$1:"; echo "$2"; status=1; }

check() { # folder, forbidden include pattern, what the rule is
  local found
  found=$(grep -rnE "^\s*#\s*include\s+[\"<]($2)" "$1" --include='*.h' --include='*.cpp')
  [[ -z $found ]] || broken "$3" "$found"
}
check src/core 'ui/|device/|app/|tool/' 'the core includes a layer above it'
check src/core 'QtWidgets|QWidget|QAction|QApplication|QDialog|QMessageBox' 'the core uses widgets'
check src/device 'ui/|app/|tool/' 'the device library includes a layer above it'
check src/ui 'device/|app/|tool/' 'the windows include the device or an executable'

if command -v clang-format > /dev/null; then
  unformatted=$(find src tests bench tools -name '*.cpp' -o -name '*.h' | sort |
    xargs clang-format --dry-run --Werror 2>&1 | grep -E '^[^ ].*: error:' | cut -d: -f1 | sort -u)
  [[ -z $unformatted ]] || broken 'not formatted as .clang-format says (clang-format -i FILE)' "$unformatted"
else
  broken 'clang-format is missing' '(scripts/setup installs it)'
fi
exit $status
