#!/usr/bin/env bash
# Every text the game passes through the catalog (tr, tr_with) has its English form in
# po/en.po: a text a player reads is never left in Slovak under an English locale.
set -eu
root=$1
cd "$root"
ids=$(mktemp)
trap 'rm -f "$ids"' EXIT
git ls-files '*.cpp' 2>/dev/null | grep -v '^tests/' > "$ids.list" || find . -name '*.cpp' -not -path './build*' -not -path './tests/*' > "$ids.list"
xgettext --keyword=tr --keyword=tr_with --from-code=UTF-8 -o "$ids" -f "$ids.list"
rm -f "$ids.list"
# msgcmp: every id of the sources must be in the catalog, with a translation
if ! msgcmp --use-untranslated po/en.po "$ids" 2> "$ids.err"; then
  cat "$ids.err"
  rm -f "$ids.err"
  exit 1
fi
rm -f "$ids.err"
untranslated=$(msgattrib --untranslated --no-obsolete po/en.po | grep -c '^msgid "[^"]' || true)
if [ "$untranslated" != 0 ]; then
  echo "po/en.po: $untranslated texts without their English form"
  exit 1
fi
echo "every text through the catalog has its English form"
