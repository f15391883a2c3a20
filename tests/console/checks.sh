# The checks of the console program's test scripts, sourced by each of them:
#   check DESCRIPTION COMMAND...   counts the check, and prints FAILED: DESCRIPTION when COMMAND fails
#   contains FILE TEXT / lacks FILE TEXT
#   report                         prints the counts; its status is the script's outcome
failures=0 passes=0
check() {
  local what=$1; shift
  if "$@"; then passes=$((passes + 1)); else failures=$((failures + 1)); echo "FAILED: $what"; fi
}
contains() { grep -qF -- "$2" "$1"; }
lacks() { ! grep -qF -- "$2" "$1"; }
report() {
  echo "$passes passed, $failures failed"
  [ "$failures" -eq 0 ]
}
