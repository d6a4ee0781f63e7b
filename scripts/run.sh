#!/usr/bin/env bash
# Sets everything up and runs the tool's main job.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh build >/dev/null
app=build/app
echo "== settings the pages would receive"
"$app/orbo-cli" settings
echo "== a few localised texts (lang from SoftLang.ini)"
for key in alert_title detect_orbo_failed light_cmd_suc; do
  printf '%s = %s\n' "$key" "$("$app/orbo-cli" text "$key")"
done
