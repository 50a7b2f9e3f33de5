#!/bin/sh
# The sample ROMs: each game's file tree, and every record of its species archive as
# the retail game has it (the species, the egg records and the forms), padded with
# 0xFF up to the cartridge's capacity as dumps are; and the shapes other tools leave:
# a trimmed image, a rebuilt one whose learnset archive is the last file, and one whose
# used size is its capacity (no room after it).
# Usage: scripts/make-samples.sh QUILLMARK_MKROM OUTPUT_DIR
set -eu
mkrom=$1 out=$2 data=$(dirname "$0")/../samples
"$mkrom" "$out/sample-diamond.nds" --code ADAE --data "$data/dp_personal_members.csv" --tail padded
"$mkrom" "$out/sample-pearl.nds" --code APAE --data "$data/dp_personal_pearl_members.csv" --tail padded
"$mkrom" "$out/sample-platinum.nds" --code CPUE --data "$data/pt_personal.csv" --tail padded
"$mkrom" "$out/sample-heartgold.nds" --code IPKE --data "$data/hgss_personal.csv" --tail padded
"$mkrom" "$out/sample-heartgold-trimmed.nds" --code IPKE --data "$data/hgss_personal.csv" --tail trimmed
"$mkrom" "$out/sample-platinum-rebuilt.nds" --code CPUE --data "$data/pt_personal.csv" --tail trimmed --learnsets-last
"$mkrom" "$out/sample-diamond-full.nds" --code ADAE --data "$data/dp_personal_members.csv" --tail full
