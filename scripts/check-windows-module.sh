#!/usr/bin/env bash
# Checks the cross-built Windows module: its three undecorated exports and its property list resource.
set -euo pipefail
module="${1:?usage: check-windows-module.sh Morphalith.aex}"
objdump=x86_64-w64-mingw32-objdump

exports=$($objdump -p "$module" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | awk '/\[/{print $NF}' | grep -v Table)
for name in EffectMain NvOptimusEnablementCuda PluginDataEntryFunction; do
    if ! grep -qx "$name" <<< "$exports"; then
        echo "check-windows-module: $module does not export $name (exports: $(echo $exports))" >&2
        exit 1
    fi
done

resources=$($objdump -s -j .rsrc "$module")
for text in "P.I.P." "MIB8dnik" "Morphalit" "QVX_Morph" "EffectMain"; do
    if ! grep -q "$text" <<< "$resources"; then
        echo "check-windows-module: the property list in $module lacks \"$text\"" >&2
        exit 1
    fi
done
echo "check-windows-module: $module exports $(echo $exports) and carries its property list"
