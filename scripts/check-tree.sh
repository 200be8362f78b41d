#!/usr/bin/env bash
# Cheap checks of the tree's structure, run before the build by scripts/test.sh: includes
# follow the layers (HACKING.md), in quotes or angle brackets; Qt stays in ui/, libudev in
# platform/linux/, and the program (app/) includes no POSIX or C header; test support stays
# out of the product, and every source is formatted as .clang-format says. Looks at the tracked files
# and the new ones not yet added (not at ignored ones). Fails with one line per fault.
set -euo pipefail
cd "$(dirname "$0")/.."

files() { git ls-files --cached --others --exclude-standard -- "$@"; }
format=$(command -v clang-format-14 || command -v clang-format)

# The folders each folder of the product may include from: its own and those below it.
declare -A allowed=(
  [runtime]="runtime"
  [platform]="platform runtime"
  [platform/sim]="platform/sim platform runtime"
  [platform/linux]="platform/linux platform runtime"
  [platform/testing]="platform/testing platform runtime"
  [hid]="hid platform runtime"
  [analyzer]="analyzer platform/sim platform runtime"
  [app/core]="app/core platform runtime"
  [ui]="ui runtime"
  [app/english/hid]="app/english/hid hid platform runtime"
  [app]="app app/core ui hid analyzer platform platform/sim platform/linux runtime"
  [app/english]="app/english app/english/hid app app/core ui hid platform platform/sim platform/linux runtime"
  [app/programs]="app/programs app/english app/english/hid app app/core ui hid analyzer platform platform/sim platform/linux runtime"
  [app/english/program]="app/english/program app/programs app/english app/english/hid app app/core ui hid analyzer platform platform/sim platform/linux runtime"
)
# The folders of the tree an include may name, in quotes or in angle brackets.
tree=" runtime platform hid analyzer app ui tests bench fuzz scripts "

failed=0
fail() {
  echo "check-tree: $*" >&2
  failed=1
}

rules=""
for d in "${!allowed[@]}"; do rules+="$d=${allowed[$d]};"; done
product=(runtime platform hid analyzer ui app)
if ! files "${product[@]/%//*.cpp}" "${product[@]/%//*.h}" |
     xargs grep -nHE '^[[:space:]]*#[[:space:]]*include' /dev/null |
     awk -v rules="$rules" -v tree="$tree" '
  BEGIN {
    n = split(rules, r, ";")
    for (i = 1; i <= n; i++) if (r[i] != "") { split(r[i], kv, "="); allow[kv[1]] = " " kv[2] " " }
  }
  function folder(path) { return path ~ /\// ? substr(path, 1, match(path, /\/[^\/]*$/) - 1) : "." }
  {
    file = $0; sub(/:.*/, "", file)
    rest = substr($0, length(file) + 2); line = rest; sub(/:.*/, "", line)
    text = substr(rest, length(line) + 2)
    dir = folder(file)
    if (!(dir in allow)) {
      if (!(dir in told)) print "check-tree: " file ": its folder " dir " has no layer rule; add it to scripts/check-tree.sh"
      told[dir] = 1; bad = 1; next
    }
    quoted = text ~ /^[^<]*"/
    target = text
    if (quoted) { sub(/^[^"]*"/, "", target); sub(/".*/, "", target) }
    else { sub(/^[^<]*</, "", target); sub(/>.*/, "", target) }
    top = target; sub(/\/.*/, "", top)
    program = dir == "app" || dir ~ /^app\//
    if (quoted || (target ~ /\// && index(tree, " " top " ") > 0)) {
      t = folder(target)
      if (t == ".") {
        print "check-tree: " file ":" line ": #include \"" target "\" names no folder (includes name the path from the top)"; bad = 1
      } else if (index(allow[dir], " " t " ") == 0) {
        print "check-tree: " file ":" line ": #include " (quoted ? "\"" target "\"" : "<" target ">") " points up or across the layers (" dir " may include:" allow[dir] ")"; bad = 1
      }
    } else if (target ~ /^Q/) {
      if (dir != "ui") { print "check-tree: " file ":" line ": includes Qt <" target ">, which only ui/ may"; bad = 1 }
    } else if (target == "libudev.h") {
      if (dir != "platform/linux") { print "check-tree: " file ":" line ": includes <libudev.h>, which only platform/linux/ may"; bad = 1 }
    } else if (program && (target ~ /\.h$/ || target ~ /\//)) {
      print "check-tree: " file ":" line ": includes <" target ">: the program calls our layers and the C++ standard library, not POSIX or C headers"; bad = 1
    }
  }
  END { exit bad }' >&2; then
  failed=1
fi

# Every C++ source of the tree as clang-format leaves it.
if ! files '*.cpp' '*.h' | xargs "$format" --dry-run -Werror 2>/tmp/check-tree-format.$$; then
  grep -E '^[^ ].*(error|warning):' /tmp/check-tree-format.$$ | sed 's/^/  /' | head -40 >&2
  fail "these files are not formatted as .clang-format says: run clang-format -i on them (clang-format 14)"
fi
rm -f /tmp/check-tree-format.$$

if [ "$failed" -ne 0 ]; then
  echo "check-tree: failed" >&2
  exit 1
fi
echo "check-tree: layers, Qt, POSIX, libudev and format hold"
