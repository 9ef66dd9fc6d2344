#!/usr/bin/env bash
# A man page renders without a warning from the formatter and names every option that the
# program's --help names.
#   man_names_help_options.sh MANPAGE PROGRAM
set -euo pipefail
page="$1" program="$2"

help=$("$program" --help)
options=$(grep -oE -- '--[a-z][a-z0-9-]*' <<<"$help" | sort -u)
[ -n "$options" ] || { echo "$program --help names no option" >&2; exit 1; }

# Plain ASCII and long lines, so that an option is neither hyphenated nor drawn with a
# typographic dash.
warnings=$(mktemp)
trap 'rm -f "$warnings"' EXIT
text=$(LC_ALL=C MANWIDTH=250 man --warnings -l "$page" 2>"$warnings" | sed 's/.\x08//g')
if [ -s "$warnings" ]; then
  echo "$page does not render cleanly:" >&2
  cat "$warnings" >&2
  exit 1
fi

missing=0
for o in $options; do
  grep -qF -- "$o" <<<"$text" || { echo "$page does not name $o" >&2; missing=1; }
done
[ "$missing" -eq 0 ] && echo "$page names all $(wc -w <<<"$options") options of $program --help"
exit "$missing"
