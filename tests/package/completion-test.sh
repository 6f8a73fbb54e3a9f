#!/usr/bin/env bash
# The bash completion of krelvan-cli as the build made it: sourced into bash, its function is
# called as bash calls it (COMP_WORDS, COMP_CWORD, COMP_LINE, COMP_POINT) and what it offers is
# checked, first alone, then with bash-completion's helpers loaded (as when bash-completion
# loads it from /usr/share/bash-completion/completions).
completion=$1
cli=$2
failures=0
fail() { echo "FAIL${mode:+ ($mode)}: $*" >&2; failures=$((failures + 1)); }

diff <("$cli" --completion bash) "$completion" >/dev/null ||
  fail "$completion is not what krelvan-cli prints now"
# shellcheck source=/dev/null
source "$completion"
[[ $(complete -p krelvan-cli) == *"-F _krelvan_cli krelvan-cli" ]] || fail "not registered"

# What is offered for the last word of a command line (split as bash splits it: at blanks, and
# = and : are words of their own), sorted, on one line.
offers() {
  local line=$1
  read -ra COMP_WORDS <<<"$(sed 's/[=:]/ & /g' <<<"$line")"
  [[ $line == *' ' ]] && COMP_WORDS+=('')
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMP_LINE=$line
  COMP_POINT=${#line}
  COMPREPLY=()
  _krelvan_cli krelvan-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
  [[ ${#COMPREPLY[@]} -eq 0 ]] || printf '%s\n' "${COMPREPLY[@]}" | sort | paste -sd' '
}
expect() {
  local got
  got=$(offers "$1")
  [[ "$got" == "$2" ]] || fail "'$1' offered '$got', expected '$2'"
}

cases() {
  # subcommands, at any depth
  expect 'krelvan-cli lo' 'load load-web'
  expect 'krelvan-cli partitions ' 'add list remove toggle'
  expect 'krelvan-cli settings ' 'backup restore'
  expect 'krelvan-cli site r' 'run'
  expect 'krelvan-cli tcpip s' 'set setup'
  # options: the command's own, those it falls through to, never the hidden ones
  expect 'krelvan-cli load --pa' '--partition --password-stdin'
  expect 'krelvan-cli partitions add --li' '--link'
  expect 'krelvan-cli settings restore --f' ''
  expect 'krelvan-cli --com' ''
  # what a word is depends on the words before it
  expect 'krelvan-cli partitions --machine list ' 'add list remove toggle'
  expect 'krelvan-cli --json partitions --json ' 'add list remove toggle'
  expect 'krelvan-cli tcpip get ' ''
  expect 'krelvan-cli load --partition ' ''
  expect 'krelvan-cli tcpip --ask-password EncryptedPass WebGuestPass --machine m s' 'set setup'
  expect 'krelvan-cli site check plan.csv r' ''
}

mode=alone cases

# Every command the help lists is offered.
listed=$("$cli" --help | awk '/^Subcommands:/ { on = 1; next } on && /^  [a-z]/ { print $1 }' |
  sort | paste -sd' ')
[[ -n "$listed" ]] || fail "no commands in krelvan-cli --help"
mode=alone expect 'krelvan-cli ' "$listed"

if [[ -f /usr/share/bash-completion/bash_completion ]]; then
  # shellcheck source=/dev/null
  source /usr/share/bash-completion/bash_completion
  mode=bash-completion cases
  # tcp:HOST:PORT and --option=value are one word each
  mode=bash-completion expect 'krelvan-cli tcpip --machine a:b s' 'set setup'
  mode=bash-completion expect 'krelvan-cli tcpip --machine=m s' 'set setup'
  mode=bash-completion expect 'krelvan-cli partitions --link tcp:127.0.0.1:5000 ' \
    'add list remove toggle'
else
  echo "bash-completion is not installed: its helpers were not tried" >&2
fi
[[ $failures -eq 0 ]] && echo "completion ok"
exit $((failures > 0))
