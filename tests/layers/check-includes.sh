#!/usr/bin/env bash
# Each layer includes only its own folder and the layers below it: common < picker < finish <
# window < app. A quoted include must name its folder (never "../" or a bare file name), and the
# engine's folders include no Qt header. Prints every include that breaks this and fails.
#
# Usage: check-includes.sh PROJECT-ROOT
set -euo pipefail
cd "$1"
declare -A sees=(
    [common]="common"
    [picker]="common picker"
    [finish]="common picker finish"
    [window]="common picker finish window"
    [app]="common picker finish window app"
)
bad=0
for folder in "${!sees[@]}"; do
    allowed=$(sed 's/ /|/g' <<<"${sees[$folder]}")
    while IFS=: read -r file line include; do
        if [[ $include =~ ^#include\ \"(.*)\" ]]; then
            path=${BASH_REMATCH[1]}
            [[ $path =~ ^($allowed)/ && $path != *..* ]] && continue
        elif [[ $include =~ ^#include\ \<Q ]]; then
            [[ $folder == window || $folder == app ]] && continue
        else
            continue
        fi
        echo "$file:$line: $folder/ may not have $include"
        bad=1
    done < <(grep -rn --include='*.h' --include='*.cpp' '^#include' "$folder")
done
exit $bad
