#!/usr/bin/env bash
# The Control Panel host of Wine loads norvo.cpl and opens its dialog: once without the driver
# (the applet refuses), once with the driver image and three published ports.
#   applet-opens.sh <norvo.cpl> <uirobot.exe> <image with a version resource> <screenshot dir>
set -euo pipefail
applet="$1" robot="$2" image="$3" shots="$4"
source "$(dirname "$0")/lib.sh"
e2e_begin
cpl="$(winepath -w "$applet")"

echo "== no driver image: the applet refuses"
e2e_start control.exe "$cpl"
e2e_robot "$here/scripts/no-driver.txt" applet-no-driver
e2e_wait_exit "$host"

echo "== driver image and three published ports"
mkdir -p "$system32/drivers"
cp "$image" "$system32/drivers/norvo.SYS"
e2e_reg <<'REG'
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\norvo\Parameters]
"PortNamePrefix"="COM"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\norvo\Parameters\NorvoP10]
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\norvo\Parameters\NorvoP2]
"TxFIFO"=hex:40,00,00,00
"RxFIFO"=hex:20,00,00,00
"RS485Mode"=hex:01,00,00,00
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\norvo\Parameters\NorvoP9]
"TxFIFO"=dword:00000010
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\norvo\Parameters\norvoP3]
[HKEY_LOCAL_MACHINE\HARDWARE\DEVICEMAP\SerialComm]
"NorvoP10"=" com10 "
"NorvoP2"="COM2"
"NorvoP9"="com9"
"norvoP3"="COM3"
REG
e2e_start control.exe "$cpl"
e2e_robot "$here/scripts/configure-cancel.txt" applet-opens
e2e_wait_exit "$host"
echo "applet-opens: passed"
