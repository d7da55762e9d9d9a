#!/usr/bin/env bash
# Refreshes docs/copying.png, the README's picture of the window during a copy: the run
# command's own headless screenshot, taken with the copy held part-way.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
env -u DISPLAY PELMORA_SCREENSHOT="$root/docs/copying.png" bash "$root/scripts/run.sh"
echo "docs/copying.png refreshed"
