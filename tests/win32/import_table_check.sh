#!/usr/bin/env bash
# The programs start on Windows 8.1 and Windows Server 2012 R2: their import tables name only DLLs
# that those systems have, and none of the functions that came later (those are looked up at run
# time, with a fallback). Reads each exe's import table with objdump.
# Usage: import_table_check.sh OBJDUMP EXE...
set -uo pipefail
objdump=$1; shift
failures=0
check() {  # check DESCRIPTION CONDITION...
  local what=$1; shift
  if "$@"; then echo "ok - $what"; else echo "not ok - $what"; failures=$((failures + 1)); fi
}

# DLLs of Windows 8.1 that the programs may link.
allowed_dlls="advapi32.dll comctl32.dll comdlg32.dll crypt32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll
shell32.dll shlwapi.dll user32.dll winhttp.dll ws2_32.dll"

# Functions that Windows 8.1 lacks: the per-monitor DPI functions of Windows 10 and others of
# Windows 10 that a toolchain or this program might reach for.
newer_functions="
AdjustWindowRectExForDpi
AreDpiAwarenessContextsEqual
EnableNonClientDpiScaling
GetAwarenessFromDpiAwarenessContext
GetDialogControlDpiChangeBehavior
GetDialogDpiChangeBehavior
GetDpiAwarenessContextForProcess
GetDpiForSystem
GetDpiForWindow
GetDpiFromDpiAwarenessContext
GetSystemDpiForProcess
GetSystemMetricsForDpi
GetThreadDescription
GetThreadDpiAwarenessContext
GetThreadDpiHostingBehavior
GetWindowDpiAwarenessContext
GetWindowDpiHostingBehavior
IsValidDpiAwarenessContext
LogicalToPhysicalPointForPerMonitorDPI
OpenThreadDescription
PhysicalToLogicalPointForPerMonitorDPI
SetDialogControlDpiChangeBehavior
SetDialogDpiChangeBehavior
SetProcessDpiAwarenessContext
SetThreadDescription
SetThreadDpiAwarenessContext
SetThreadDpiHostingBehavior
SystemParametersInfoForDpi
"

for exe in "$@"; do
  name=$(basename "$exe")
  # In the C locale: objdump speaks the locale's language, and the parsing below reads its English.
  table=$(LC_ALL=C "$objdump" -p "$exe") || { check "$name: objdump reads the program" false; continue; }
  # "DLL Name: X" starts a DLL's list; each imported function is a line "<vma> <hint> <name>".
  # A blank line ends the list.
  imports=$(awk '/^\tDLL Name: /{dll=tolower($3); next}
                 /^$/{dll=""; next}
                 dll != "" && /^\t[0-9a-f]+\t +[0-9]+ +[A-Za-z_]/{print dll, $3}' <<<"$table" | sort -u)
  dlls=$(awk '{print $1}' <<<"$imports" | sort -u)
  count=$(grep -c . <<<"$imports")
  # A table read wrongly would let every check below pass: the functions every Win32 program
  # imports must be there.
  check "$name: the import table was read ($count functions from $(wc -w <<<"$dlls") DLLs)" \
    grep -qx 'kernel32.dll GetModuleHandleW' <<<"$imports"
  for dll in $dlls; do
    check "$name: $dll is a DLL of Windows 8.1" grep -qw "$dll" <<<"$allowed_dlls"
  done
  for f in $newer_functions; do
    check "$name: does not import $f" bash -c '! grep -q " $1\$" <<<"$2"' _ "$f" "$imports"
  done
  # Windows refuses to start a program that asks for a newer subsystem version than its own.
  subsystem=$(awk '/^MajorSubsystemVersion/{major=$2} /^MinorSubsystemVersion/{minor=$2} END{print major "." minor}' <<<"$table")
  check "$name: subsystem version $subsystem is at most 6.3" \
    python3 -c 'import sys; a = tuple(map(int, sys.argv[1].split("."))); sys.exit(0 if a <= (6, 3) else 1)' "$subsystem"
done

echo "$failures failure(s)"
[ "$failures" -eq 0 ]
