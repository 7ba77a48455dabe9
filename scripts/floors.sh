#!/usr/bin/env bash
# Fails when a file of the program includes a header of a floor above its own. The floors,
# from the bottom: graph/; analysis/; auxiliary/ and scene/ on analysis/; export/ on scene/;
# engines/ on the Engine interface (and graph/) alone; driver/ on top of everything.
set -euo pipefail
cd "$(dirname "$0")/.."

# folder: the folders (or single headers) it must not include
declare -A forbidden=(
    [graph]="analysis auxiliary scene engines export driver"
    [analysis]="auxiliary scene engines export driver"
    [auxiliary]="scene engines export driver"
    [scene]="auxiliary export driver engines/povray.h engines/svg.h"
    [export]="auxiliary engines driver"
    [engines]="analysis auxiliary scene export driver"
)

status=0
for floor in "${!forbidden[@]}"; do
    [ -d "$floor" ] || continue
    for above in ${forbidden[$floor]}; do
        case $above in
            *.h) pattern="#include \"$above\"" ;;
            *) pattern="#include \"$above/" ;;
        esac
        if hits=$(grep -rnF --include='*.h' --include='*.cpp' "$pattern" "$floor"); then
            echo "$hits" | sed "s|\$|   ($floor/ must not include $above)|"
            status=1
        fi
    done
done
[ $status -eq 0 ] && echo "floors: every include points down"
exit $status
