#!/usr/bin/env bash
# Retakes the manual's pictures (docs/manual/*.png) from the screenshots that the end-to-end
# tests of the build folder $1 saved (run ./test.sh first). Needs ImageMagick's convert.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
shots=$build/screenshots
declare -A pictures=(
    [manager_services_states]=main-window
    [new_edit_dialog]=new-edit-dialog
    [next_actions_dialog]=next-actions
    [log_viewer_service]=log-viewer
    [service_options_dialog]=service-options
)
for shot in "${!pictures[@]}"; do
    if [ ! -f "$shots/$shot.bmp" ]; then
        echo "Missing $shots/$shot.bmp: run the end-to-end tests first." >&2
        exit 1
    fi
done
for shot in "${!pictures[@]}"; do
    convert "$shots/$shot.bmp" -strip "docs/manual/${pictures[$shot]}.png"
    echo "docs/manual/${pictures[$shot]}.png from $shots/$shot.bmp"
done
