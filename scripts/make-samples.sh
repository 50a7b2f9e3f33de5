#!/bin/sh
# The sample ROMs: each game's file tree, and every record of its species archive as
# the retail game has it (the species, the egg records and the forms).
# Usage: scripts/make-samples.sh QUILLMARK_MKROM OUTPUT_DIR
set -eu
mkrom=$1 out=$2 data=$(dirname "$0")/../samples
"$mkrom" "$out/sample-diamond.nds" --code ADAE --data "$data/dp_personal_members.csv"
"$mkrom" "$out/sample-pearl.nds" --code APAE --data "$data/dp_personal_pearl_members.csv"
"$mkrom" "$out/sample-platinum.nds" --code CPUE --data "$data/pt_personal.csv"
"$mkrom" "$out/sample-heartgold.nds" --code IPKE --data "$data/hgss_personal.csv"
