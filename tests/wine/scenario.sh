#!/usr/bin/env bash
# The life of the driver package under Wine, scenario by scenario, with the real Control Panel
# host, SetupAPI, Service Control Manager and dialogs; the robot plays the user.
#   scenario.sh <name> <Windows build dir>
# Screenshots of every step go to <build dir>/screenshots/<name>-<step>.png, in a folder such
# as win2k/ or de/120dpi/ when NORVO_WINDOWS, NORVO_LANGUAGE or NORVO_DPI pick another Windows
# version, language or dpi than NT 4.0 in English at 96 dpi (scripts/wine-env). The package is
# copied to C:\NorvoSetup, or to the folder of drive C: that NORVO_DISK names (screenshots then in
# other-folder/).
set -euo pipefail
name="$1" build="$2"
robot="$build/uirobot.exe"
# A run from another disk folder keeps its screenshots apart from the run of the same scenario
# and settings from C:\NorvoSetup, which may run beside it.
shots="$build/screenshots${NORVO_DISK:+/other-folder}"
source "$(dirname "$0")/lib.sh"
scripts="$here/scripts"
e2e_begin
disk="${NORVO_DISK:-NorvoSetup}"
setup="$WINEPREFIX/drive_c/$disk"
rm -rf "$setup"
cp -r "$build/package" "$setup"
params='HKLM\SYSTEM\CurrentControlSet\Services\norvo\Parameters'
loaded='HKLM\HARDWARE\DEVICEMAP\NorvoLoaded'
devicemap='HKLM\HARDWARE\DEVICEMAP\SerialComm'

run_installer() {  # <robot script> <shot prefix>
  e2e_start "C:\\$disk\\norvoinst.exe"
  local installer=$host
  e2e_robot "$scripts/$1" "$2"
  e2e_wait_exit "$installer" 20
}

# Installs from the package; the Control Panel that the installer opens is closed again.
install_package() {
  run_installer install.txt "$name-install"
  e2e_robot "$scripts/applet-cancel.txt" "$name-applet"
}

open_applet() {
  e2e_start control.exe norvo.cpl
}

# Gives everyone only read access to a key below HKLM (read), or full access again (full).
set_access() {  # <key> <read|full>
  local file
  file="$(mktemp --suffix=.txt)"
  printf 'access %s %s\n' "$1" "$2" >"$file"
  e2e_robot "$file" "$name-access"
  rm -f "$file"
}

# Opens the applet while everyone may only read the key, plays the robot script, and gives the
# key its full access back whatever the robot found, so that the next case can clean it up.
applet_with_read_only_key() {  # <key> <robot script>
  local status=0
  set_access "$1" read
  open_applet
  e2e_robot "$scripts/$2" "$name" || status=$?
  set_access "$1" full
  [ "$status" = 0 ] || exit 1
  e2e_wait_exit "$host"
}

# Another program holds the applet as a loaded DLL is held, without delete sharing, for the
# given time; returns once it holds it. Its process is $holder.
hold_applet() {  # <milliseconds>
  local script holding
  script="$(mktemp --suffix=.txt)" holding="$(mktemp)"
  printf 'hold C:\\windows\\system32\\norvo.cpl\npause %s\n' "$1" >"$script"
  wine "$robot" "$(winepath -w "$script")" >"$holding" 2>&1 &
  holder=$!
  e2e_hosts+=("$holder")
  for _ in $(seq 300); do grep -q holding "$holding" && break; sleep 0.1; done
  rm -f "$script" "$holding"
}

# The driver service's state as `sc query` gives it, such as "4  RUNNING".
service_state() {
  wine sc query norvo | tr -d '\r' | awk '/STATE/ {print $3 "  " $4}'
}

# From now on the running driver can't be stopped, as when its ports are in use.
driver_refuses_stop() {
  wine reg add "$params" /v RefuseStop /t REG_DWORD /d 1 /f >/dev/null 2>&1
  wine sc stop norvo >/dev/null 2>&1 || true
  wine sc start norvo >/dev/null 2>&1 || true
}

# What the next start of the system deletes or replaces, as `reg query` shows the list.
pending_renames() {
  e2e_value 'HKLM\System\CurrentControlSet\Control\Session Manager' PendingFileRenameOperations
}

# The driver's parameters as `reg export` writes them, for byte-for-byte comparisons.
export_parameters() {  # <file>
  rm -f "$1"
  wine reg export "$params" "$(winepath -w "$1")" /y >/dev/null 2>&1
  [ -s "$1" ] || { echo "FAIL: could not export $params" >&2; exit 1; }
}

case "$name" in
  install)
    install_package
    e2e_expect "driver image" yes "$([ -f "$system32/drivers/norvo.sys" ] && echo yes || echo no)"
    e2e_expect "applet" yes "$([ -f "$system32/norvo.cpl" ] && echo yes || echo no)"
    e2e_expect "service state" "4  RUNNING" "$(service_state)"
    e2e_expect "port published" "REG_SZ COM12" "$(e2e_value "$devicemap" NorvoP2)"
    e2e_expect "prefix" "REG_SZ COM" "$(e2e_value "$params" PortNamePrefix)"
    ;;
  configure)
    install_package
    open_applet
    e2e_robot "$scripts/configure-apply.txt" "$name"
    e2e_wait_exit "$host"
    e2e_expect "stored TxFIFO of NorvoP1" "REG_BINARY 40000000" "$(e2e_value "$params\\NorvoP1" TxFIFO)"
    e2e_expect "stored RS485Mode of NorvoP1" "REG_BINARY 01000000" "$(e2e_value "$params\\NorvoP1" RS485Mode)"
    e2e_expect "stored TxFIFO of an untouched port" "REG_BINARY 7F000000" "$(e2e_value "$params\\NorvoP2" TxFIFO)"
    e2e_expect "driver reloaded NorvoP1" "REG_SZ RS485Mode=1 TxFIFO=64 RxFIFO=32" "$(e2e_value "$loaded" NorvoP1)"
    e2e_expect "driver reloaded NorvoP3" "REG_SZ RS485Mode=0 TxFIFO=8 RxFIFO=100" "$(e2e_value "$loaded" NorvoP3)"
    ;;
  ports-in-use)
    install_package
    # COM12 held open by another program: the prefix links it to a folder, which refuses opens.
    ln -sfn /tmp "$WINEPREFIX/dosdevices/com12"
    open_applet
    e2e_robot "$scripts/in-use-retry.txt" "$name-busy"
    rm -f "$WINEPREFIX/dosdevices/com12"
    e2e_robot "$scripts/in-use-freed.txt" "$name-freed"
    e2e_wait_exit "$host"
    e2e_expect "driver restarted with the new value" "REG_SZ RS485Mode=0 TxFIFO=50 RxFIFO=100" "$(e2e_value "$loaded" NorvoP1)"

    ln -sfn /tmp "$WINEPREFIX/dosdevices/com12"
    open_applet
    e2e_robot "$scripts/in-use-later.txt" "$name-later"
    e2e_wait_exit "$host"
    e2e_expect "stored for later" "REG_BINARY 1E000000" "$(e2e_value "$params\\NorvoP1" TxFIFO)"
    e2e_expect "driver untouched" "REG_SZ RS485Mode=0 TxFIFO=50 RxFIFO=100" "$(e2e_value "$loaded" NorvoP1)"
    ;;
  invalid-prefix)
    install_package
    wine reg add "$params" /v PortNamePrefix /d ' co:m ' /f >/dev/null 2>&1
    open_applet
    e2e_robot "$scripts/invalid-prefix.txt" "$name"
    e2e_wait_exit "$host"
    e2e_expect "nothing stored" "" "$(e2e_value "$params\\NorvoP1" TxFIFO)"
    ;;
  reinstall-running)
    install_package
    driver_refuses_stop
    run_installer reinstall-running.txt "$name"
    e2e_robot "$scripts/applet-cancel.txt" "$name-applet"
    e2e_expect "service state" "4  RUNNING" "$(service_state)"
    e2e_expect "image replaced at the restart" \
      'REG_MULTI_SZ \??\C:\windows\system32\drivers\norvo.sys.new\0!\??\C:\windows\system32\drivers\norvo.sys' \
      "$(pending_renames)"
    ;;
  restart)
    install_package
    open_applet
    e2e_robot "$scripts/configure-apply.txt" "$name-apply"
    e2e_wait_exit "$host"
    e2e_restart
    # The driver started with the system: it runs, published its ports and read the settings.
    e2e_expect "service state" "4  RUNNING" "$(service_state)"
    e2e_expect "port published" "REG_SZ COM12" "$(e2e_value "$devicemap" NorvoP2)"
    e2e_expect "driver loaded NorvoP1" "REG_SZ RS485Mode=1 TxFIFO=64 RxFIFO=32" "$(e2e_value "$loaded" NorvoP1)"
    open_applet
    e2e_robot "$scripts/after-restart.txt" "$name"
    e2e_wait_exit "$host"
    ;;
  reinstall-fails)
    install_package
    # The new disk's image differs and its service section names none: the reinstall stops the
    # running driver, replaces the image, fails, puts the old image back and starts it again.
    sed -i '/^ServiceBinary=/d' "$setup/norvo.inf"
    printf 'a newer image' >>"$setup/norvo.sys"
    run_installer reinstall-fails.txt "$name"
    e2e_expect "old image" same "$(cmp "$build/package/norvo.sys" "$system32/drivers/norvo.sys" && echo same)"
    e2e_expect "its copy" gone "$([ -e "$system32/drivers/norvo.sys.old" ] && echo left || echo gone)"
    e2e_expect "service state" "4  RUNNING" "$(service_state)"
    e2e_expect "port published" "REG_SZ COM12" "$(e2e_value "$devicemap" NorvoP2)"
    ;;
  uninstall-in-use)
    install_package
    hold_applet 120000
    run_installer uninstall-in-use.txt "$name"
    e2e_expect "applet left to the restart" 'REG_MULTI_SZ \??\C:\windows\system32\norvo.cpl\0' "$(pending_renames)"
    e2e_expect "driver image" no "$([ -f "$system32/drivers/norvo.sys" ] && echo yes || echo no)"
    e2e_restart
    e2e_expect "applet after the restart" no "$([ -f "$system32/norvo.cpl" ] && echo yes || echo no)"
    e2e_expect "nothing left for the next one" "" "$(pending_renames)"
    ;;
  reinstall-held)
    install_package
    # A reinstall while another program holds the applet leaves its new contents for the restart;
    # a later one, with the applet free again, replaces it at once: the restart keeps that one.
    hold_applet 10000
    printf 'held' >>"$setup/norvo.cpl"
    run_installer reinstall-running.txt "$name-held"
    e2e_robot "$scripts/applet-cancel.txt" "$name-applet"
    e2e_wait_exit "$holder" 30
    printf 'free' >>"$setup/norvo.cpl"
    install_package
    e2e_restart
    e2e_expect "applet after the restart" same "$(cmp "$setup/norvo.cpl" "$system32/norvo.cpl" && echo same)"
    # Removed while held, then installed with the applet free before the restart: the restart's
    # deletion does not take the new applet with it.
    hold_applet 15000
    run_installer uninstall-in-use.txt "$name-removed"
    e2e_robot "$scripts/no-driver.txt" "$name-removed-applet"  # the Control Panel it opened lets go
    e2e_wait_exit "$holder" 40
    printf 'again' >>"$setup/norvo.cpl"
    install_package
    e2e_restart
    e2e_expect "applet installed after the removal" same "$(cmp "$setup/norvo.cpl" "$system32/norvo.cpl" && echo same)"
    ;;
  uninstall-running)
    install_package
    driver_refuses_stop
    run_installer uninstall-running.txt "$name"
    # Removed from the system, but loaded until the restart, with its ports.
    e2e_expect "port published" "REG_SZ COM12" "$(e2e_value "$devicemap" NorvoP2)"
    e2e_expect "parameters" gone "$(wine reg query "$params" >/dev/null 2>&1 && echo present || echo gone)"
    # Its image, in use, goes at the restart.
    e2e_expect "image left to the restart" 'REG_MULTI_SZ \??\C:\windows\system32\drivers\norvo.sys\0' "$(pending_renames)"
    e2e_restart
    e2e_expect "image after the restart" no "$([ -f "$system32/drivers/norvo.sys" ] && echo yes || echo no)"
    ;;
  changed-elsewhere)
    install_package
    open_applet
    e2e_robot "$scripts/changed-elsewhere-open.txt" "$name-open"
    # Another program stores COM11's transmit level while the window is open.
    wine reg add "$params\\NorvoP1" /v TxFIFO /t REG_BINARY /d 07000000 /f >/dev/null 2>&1
    e2e_robot "$scripts/changed-elsewhere.txt" "$name"
    e2e_wait_exit "$host"
    e2e_expect "the other program's value" "REG_BINARY 07000000" "$(e2e_value "$params\\NorvoP1" TxFIFO)"
    e2e_expect "nothing else stored" "" "$(e2e_value "$params\\NorvoP2" TxFIFO)"
    ;;
  uninstall)
    install_package
    run_installer uninstall.txt "$name"
    # The uninstall removed the applet from the system too; the package's copy now finds no
    # driver.
    e2e_start control.exe "C:\\$disk\\norvo.cpl"
    e2e_robot "$scripts/no-driver.txt" "$name-applet"
    e2e_expect "driver image" no "$([ -f "$system32/drivers/norvo.sys" ] && echo yes || echo no)"
    e2e_expect "applet" no "$([ -f "$system32/norvo.cpl" ] && echo yes || echo no)"
    e2e_expect "parameters" gone "$(wine reg query "$params" >/dev/null 2>&1 && echo present || echo gone)"
    e2e_expect "service" "gone" "$(wine sc query norvo >/dev/null 2>&1 && echo present || echo gone)"
    ;;
  planted-dlls)
    # A setupapi.dll and a comctl32.dll beside the installer, with DLLs of the program's own
    # folder preferred to Wine's, as Windows prefers them: the installer loads neither (each
    # would leave <its name>.loaded) and installs.
    for dll in setupapi comctl32; do cp "$build/marker.dll" "$setup/$dll.dll"; done
    WINEDLLOVERRIDES="$WINEDLLOVERRIDES;setupapi,comctl32=n,b" install_package
    e2e_expect "DLLs of the disk's folder loaded" "" "$(cd "$setup" && ls -- *.loaded 2>/dev/null || true)"
    e2e_expect "service state" "4  RUNNING" "$(service_state)"
    e2e_expect "applet" yes "$([ -f "$system32/norvo.cpl" ] && echo yes || echo no)"
    ;;
  start-fails)
    install_package
    # From now on the driver's start fails, as when it finds no board.
    wine reg add "$params" /v FailStart /t REG_DWORD /d 1 /f >/dev/null 2>&1
    open_applet
    e2e_robot "$scripts/start-fails.txt" "$name"
    e2e_wait_exit "$host"
    e2e_expect "stored TxFIFO of NorvoP1" "REG_BINARY 2A000000" "$(e2e_value "$params\\NorvoP1" TxFIFO)"
    e2e_expect "service state" "1  STOPPED" "$(service_state)"
    ;;
  read-only-port)
    install_package
    # The last port's key may only be read: Apply must store nothing at all, not even the
    # ports before it, and after Cancel the parameters are exactly as they were.
    before="$(mktemp --suffix=.reg)" after="$(mktemp --suffix=.reg)"
    export_parameters "$before"
    applet_with_read_only_key 'SYSTEM\CurrentControlSet\Services\norvo\Parameters\NorvoP4' read-only-port.txt
    export_parameters "$after"
    e2e_expect "parameters after Cancel" same "$(cmp -s "$before" "$after" && echo same || diff "$before" "$after")"
    rm -f "$before" "$after"
    e2e_expect "driver untouched" "REG_SZ RS485Mode=0 TxFIFO=127 RxFIFO=100" "$(e2e_value "$loaded" NorvoP1)"
    ;;
  read-only-parameters)
    install_package
    applet_with_read_only_key 'SYSTEM\CurrentControlSet\Services\norvo\Parameters' no-rights.txt
    ;;
  no-inf)
    rm -f "$setup/norvo.inf"
    run_installer no-inf.txt "$name"
    ;;
  broken-inf)
    printf 'This is not an INF file.\r\n' >"$setup/norvo.inf"
    run_installer broken-inf.txt "$name"
    ;;
  damaged-inf)
    install_package
    # The disk's INF cut short before its [Strings] section, over a working install: named before
    # anything is changed; the driver that ran runs on, from the same image.
    sed -i '/^\[Strings\]/,$d' "$setup/norvo.inf"
    printf 'a newer image' >>"$setup/norvo.sys"
    run_installer damaged-inf.txt "$name"
    e2e_expect "old image" same "$(cmp "$build/package/norvo.sys" "$system32/drivers/norvo.sys" && echo same)"
    e2e_expect "service state" "4  RUNNING" "$(service_state)"
    ;;
  missing-section)
    printf '[Version]\r\nSignature="$Windows NT$"\r\n' >"$setup/norvo.inf"
    run_installer missing-section.txt "$name"
    e2e_expect "service" "gone" "$(wine sc query norvo >/dev/null 2>&1 && echo present || echo gone)"
    ;;
  missing-file)
    rm -f "$setup/norvo.sys"
    run_installer missing-file.txt "$name"
    e2e_expect "applet copied" no "$([ -f "$system32/norvo.cpl" ] && echo yes || echo no)"
    e2e_expect "service" "gone" "$(wine sc query norvo >/dev/null 2>&1 && echo present || echo gone)"
    ;;
  interrupted)
    # Over a working install, a disk with a newer image but no applet: the installer, its process
    # killed at "File not found." as by a power cut, leaves old copies beside the new files. The
    # same disk again puts them back; the whole disk installs and leaves no old copy; after another
    # ending, a removal deletes everything, and a second removal leaves no driver key.
    install_package
    printf 'a newer image' >>"$setup/norvo.sys"
    old_copies() { (cd "$system32" && ls norvo.cpl.old drivers/norvo.sys.old 2>/dev/null | tr '\n' ' '); }
    interrupt() {  # <shot prefix>
      rm -f "$setup/norvo.cpl"
      e2e_start "C:\\$disk\\norvoinst.exe"
      e2e_robot "$scripts/interrupted.txt" "$1"
      for pid in $(pgrep -f 'norvoinst\.exe'); do
        tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" && kill -KILL "$pid"
      done
      e2e_wait_exit "$host" 10 || true
      e2e_expect "old copies kept by the ended run" "drivers/norvo.sys.old norvo.cpl.old " "$(old_copies)"
    }
    interrupt "$name-ended"
    run_installer missing-file.txt "$name-again"
    e2e_expect "working install's image put back" same "$(cmp "$build/package/norvo.sys" "$system32/drivers/norvo.sys" && echo same)"
    e2e_expect "old copies after the failed run" "" "$(old_copies)"
    cp "$build/package/norvo.cpl" "$setup/"
    install_package
    e2e_expect "new image" same "$(cmp "$setup/norvo.sys" "$system32/drivers/norvo.sys" && echo same)"
    e2e_expect "old copies after the install" "" "$(old_copies)"
    interrupt "$name-ended-again"
    run_installer uninstall.txt "$name-removal"
    e2e_expect "files and old copies after the removal" "" "$(cd "$system32" && ls norvo.cpl* drivers/norvo.sys* 2>/dev/null)"
    run_installer uninstall.txt "$name-removal-again"
    e2e_expect "driver key without the driver" gone "$(wine reg query "${params%\\*}" >/dev/null 2>&1 && echo present || echo gone)"
    ;;
  unattended)
    # README.TXT's install without the installer: the INF's DefaultInstall from a command line
    # makes the files, parameters and service that the installer makes; net start starts the
    # driver, and so does a restart; after net stop, DefaultUninstall takes all of it away.
    hinf() { wine rundll32 setupapi,InstallHinfSection "$1" 132 'C:\NorvoSetup\norvo.inf' >/dev/null 2>&1; }
    files() { for file in drivers/norvo.sys norvo.cpl; do [ -f "$system32/$file" ] && echo -n "$file "; done; }
    service() { wine reg query "${params%\\*}" 2>/dev/null | tr -d '\r'; }
    installer="$(mktemp --suffix=.reg)" unattended="$(mktemp --suffix=.reg)"
    install_package
    export_parameters "$installer"
    made="$(service)"
    wine net stop norvo >/dev/null 2>&1  # a running driver's service would only be marked for delete
    e2e_clean
    hinf DefaultInstall
    e2e_expect "files" "drivers/norvo.sys norvo.cpl " "$(files)"
    export_parameters "$unattended"
    e2e_expect "parameters as the installer makes them" same "$(cmp "$installer" "$unattended" && echo same)"
    e2e_expect "service as the installer makes it" "$made" "$(service)"
    rm -f "$installer" "$unattended"
    wine net start norvo >/dev/null 2>&1
    e2e_expect "port published" "REG_SZ COM12" "$(e2e_value "$devicemap" NorvoP2)"
    e2e_restart
    e2e_expect "port published after a restart" "REG_SZ COM12" "$(e2e_value "$devicemap" NorvoP2)"
    wine net stop norvo >/dev/null 2>&1
    hinf DefaultUninstall
    e2e_expect "files" "" "$(files)"
    e2e_expect "parameters and service" gone "$(service >/dev/null && echo present || echo gone)"
    ;;
  settings-transfer)
    # README.TXT's settings transfer: the Parameters key of a configured driver exported with
    # the registry editor, imported after a fresh install, the driver restarted with net stop and
    # net start; the applet and the driver then show the imported levels.
    install_package
    open_applet
    e2e_robot "$scripts/configure-apply.txt" "$name"
    e2e_wait_exit "$host"
    wine regedit /e 'C:\NORVO.REG' 'HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\norvo\Parameters' >/dev/null 2>&1
    wine net stop norvo >/dev/null 2>&1
    e2e_clean
    install_package
    e2e_expect "fresh install" "REG_SZ RS485Mode=0 TxFIFO=127 RxFIFO=100" "$(e2e_value "$loaded" NorvoP1)"
    wine regedit /s 'C:\NORVO.REG' >/dev/null 2>&1
    rm -f "$WINEPREFIX/drive_c/NORVO.REG"
    wine net stop norvo >/dev/null 2>&1
    wine net start norvo >/dev/null 2>&1
    e2e_expect "driver loaded NorvoP1" "REG_SZ RS485Mode=1 TxFIFO=64 RxFIFO=32" "$(e2e_value "$loaded" NorvoP1)"
    e2e_expect "driver loaded NorvoP3" "REG_SZ RS485Mode=0 TxFIFO=8 RxFIFO=100" "$(e2e_value "$loaded" NorvoP3)"
    open_applet
    e2e_robot "$scripts/configured.txt" "$name-imported"
    e2e_wait_exit "$host"
    ;;
  *)
    echo "unknown scenario $name" >&2
    exit 2
    ;;
esac
echo "scenario $name: passed"
