#!/usr/bin/env bash
# Prints a scenario script with each "#include FILE" line (FILE beside the script) replaced
# by that file's lines, ready for korvalen-replay on standard input.
awk -v dir="$(dirname "$1")" '/^#include /{ while ((getline l < (dir "/" $2)) > 0) print l; next } 1' "$1"
