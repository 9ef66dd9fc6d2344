#!/usr/bin/env bash
# A man page renders without a warning from the formatter and describes the same options as
# the program's --help names: none missing, none that the program no longer has.
#   man_names_help_options.sh MANPAGE PROGRAM
set -euo pipefail
page="$1" program="$2"

long_options() { grep -oE -- '--[a-z][a-z0-9-]*' | sort -u; }

help_options=$("$program" --help | long_options)
[ -n "$help_options" ] || { echo "$program --help names no option" >&2; exit 1; }

# Plain ASCII and long lines, so that an option is neither broken nor drawn with a
# typographic dash; overstrikes (bold, underline) are taken out.
warnings=$(mktemp)
trap 'rm -f "$warnings"' EXIT
text=$(LC_ALL=C MANWIDTH=250 man --warnings -l "$page" 2>"$warnings" | sed 's/.\x08//g')
if [ -s "$warnings" ]; then
  echo "$page does not render cleanly:" >&2
  cat "$warnings" >&2
  exit 1
fi
# The options the page describes: those its paragraph tags (at the left margin) name.
man_options=$(grep -E '^ {7}--' <<<"$text" | long_options)

status=0
for o in $(comm -23 <(echo "$help_options") <(echo "$man_options")); do
  echo "$page does not describe $o, which $program --help names" >&2
  status=1
done
for o in $(comm -13 <(echo "$help_options") <(echo "$man_options")); do
  echo "$page describes $o, which $program --help does not name" >&2
  status=1
done
[ "$status" -eq 0 ] && echo "$page and $program --help name the same $(wc -w <<<"$help_options") options"
exit "$status"
