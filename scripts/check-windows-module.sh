#!/usr/bin/env bash
# Checks the cross-built Windows module with the mingw tools: its three undecorated exports, no
# load-time import of d3d9.dll or nvcuda.dll (both are loaded at run time), the CUDA kernel image in its
# data where the build had the CUDA toolkit, and its resources as the resource compiler reads them back:
# the property list, the About PNG, the Debug Information dialog and its layout.
set -euo pipefail
module="${1:?usage: check-windows-module.sh Morphalith.aex}"
prefix=x86_64-w64-mingw32
fail() {
    echo "check-windows-module: $module $*" >&2
    exit 1
}

headers=$($prefix-objdump -p "$module")
exports=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<< "$headers" | awk '/\[/{print $NF}' | grep -v Table)
for name in EffectMain NvOptimusEnablementCuda PluginDataEntryFunction; do
    grep -qx "$name" <<< "$exports" || fail "does not export $name (exports: $(echo $exports))"
done
for dll in d3d9.dll nvcuda.dll; do
    if grep -qi "DLL Name: $dll" <<< "$headers"; then fail "imports $dll at load time"; fi
done
# nvcc's fat binary starts with the magic word 0xBA55ED50, version 1 and a 16-byte header.
if LC_ALL=C grep -qaP '\x50\xED\x55\xBA\x01\x00\x10\x00' "$module"; then
    cuda="carries the CUDA kernel image"
else
    cuda="carries no CUDA kernel image (built without the CUDA toolkit)"
fi

# Every resource in language 1033 (U.S. English), as windres writes them back as a script.
resources=$($prefix-windres -i "$module" -O rc)
grep -q "^LANGUAGE" <<< "$resources" || fail "has no resources"
languages=$(grep "^LANGUAGE" <<< "$resources" | sort -u)
[ "$languages" = "LANGUAGE 9, 1" ] || fail "has resources in other languages: $languages"
expect() {
    grep -qF -- "$1" <<< "$resources" || fail "lacks the resource line \"$1\""
}
expect '16000 "PIPL"'
expect '254 255'
expect '0x474e5089L'                           # the PNG signature
expect '101 "AFX_DIALOG_LAYOUT"'
expect '101 DIALOGEX 0, 0, 460, 200'
expect 'STYLE 0x80cc00c8'
expect 'CAPTION "Debug Information"'
expect 'FONT 8, "MS Shell Dlg", 400, 0, 1'
expect 'DEFPUSHBUTTON "OK", 1, 405, 180, 50, 14, 0x50010001'
expect 'PUSHBUTTON "Cancel", 3, 350, 180, 50, 14, 0x50010000'
expect 'PUSHBUTTON "Save", 4, 295, 180, 50, 14, 0x50010000'
expect 'EDITTEXT 1001, 5, 5, 450, 170, 0x50a100c4'
# The property list's texts, as the section dump shows them.
section=$($prefix-objdump -s -j .rsrc "$module")
for text in "MIB8dnik" "Morphalit" "QVX_Morph" "EffectMain"; do
    grep -q "$text" <<< "$section" || fail "has a property list without \"$text\""
done
echo "check-windows-module: $module exports $(echo $exports), imports neither d3d9.dll nor nvcuda.dll, $cuda," \
     "and carries its property list, About image and Debug Information dialog"
