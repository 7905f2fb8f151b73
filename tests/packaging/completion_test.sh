#!/usr/bin/env bash
# Completes norix command lines through the completion script, as bash does on
# Tab, and checks that every command norix --help lists is completed and has
# its entry in the manual page.
#   completion_test.sh COMPLETION_SCRIPT NORIX MANUAL_PAGE_TEXT
set -uo pipefail
completion=$1
norix=$(realpath "$2")
manual=$(realpath "$3")

source /usr/share/bash-completion/bash_completion || exit 1
source "$completion" || exit 1
# The port list comes from the norix being completed.
PATH="$(dirname "$norix"):$PATH"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
touch a.chip b.txt c.png D.JPG e.dat
mkdir saved

failures=0

# The candidates for the last word of the line, sorted, on one line.
candidates() {
    local line=$1
    COMP_LINE=$line
    COMP_POINT=${#line}
    read -r -a COMP_WORDS <<<"$line"
    [[ $line == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _norix norix "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}" 2>/dev/null
    printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort -u | tr '\n' ' ' | sed 's/ $//'
}

expect() {
    local got
    got=$(candidates "$1")
    if [[ $got != "$2" ]]; then
        echo "FAIL: '$1' completes to '$got', expected '$2'"
        failures=$((failures + 1))
    fi
}

commands="backup check chip chips compile decompile delete font fonts image images info ports pull send settings store"
expect "norix " "$commands"
expect "norix -p sim " "$commands"
expect "norix --timeout 3 -q ch" "check chip chips"
expect "norix --" "--help --port --quiet --timeout --version"
expect "norix image " "cat export import pull upload"
expect "norix font " "cat delete upload"
expect "norix store " "a.chip saved"
expect "norix -p sim check a.chip " "a.chip saved"
expect "norix compile -" "--pins -o"
expect "norix font upload " "b.txt saved"
expect "norix font upload b.txt " "0 1 2 3 4 5"
expect "norix image import " "D.JPG c.png saved"
expect "norix image import c.png -o " "b.txt saved"
expect "norix image export b.txt -o " "c.png saved"
expect "norix settings set " "aux font leds logo speed"
expect "norix settings set speed " "fast medium slow"
expect "norix settings set aux " "off on"
expect "norix backup " "saved"
expect "norix pull 3 --" "--force"
expect "norix decompile " "D.JPG a.chip b.txt c.png e.dat saved"

# -p offers what norix ports lists, and the built-in simulator.
ports="$("$norix" ports) sim"
expect "norix -p " "$(tr ' ' '\n' <<<"$ports" | grep . | LC_ALL=C sort -u | tr '\n' ' ' | sed 's/ $//')"

# Every command of --help: its words complete, and the manual page has an entry.
while read -r line; do
    usage=${line%%  *} # the usage ends where the description starts, after two spaces
    read -r first second _ <<<"$usage"
    [[ ${second-} =~ ^[a-z]+$ ]] || second=""
    name="$first${second:+ $second}"
    [[ " $(candidates "norix ") " == *" $first "* ]] ||
        { echo "FAIL: '$first' is not completed"; failures=$((failures + 1)); }
    if [[ -n $second && " $(candidates "norix $first ") " != *" $second "* ]]; then
        echo "FAIL: '$name' is not completed"
        failures=$((failures + 1))
    fi
    grep -qF "**$name**" "$manual" ||
        { echo "FAIL: '$name' has no entry in $manual"; failures=$((failures + 1)); }
done < <("$norix" --help | sed -n '/^commands:/,$p' | tail -n +2)

echo "$failures failure(s)"
[[ $failures -eq 0 ]]
