#!/bin/sh
# End-to-end port discovery through Wine's real SetupAPI: device nodes planted in a prefix of the
# test's own (so no other test sees them), emulated readers behind some of their COM ports, the
# real program started, and its port box read by ui_driver in normal and in search-all mode;
# then adapters plugged and unplugged with device-change broadcasts, and nodes of bad input.
# usage: port_discovery_e2e.sh EMULATOR SCRATCH WINE_RUN PROGRAM DRIVER
set -eu
emulator=$1 scratch=$2 wine_run=$3 program=$4 driver=$5
export WINEPREFIX="$scratch/wineprefix"
QC_ROOT=$(cd "$(dirname "$0")/../.." && pwd)
. "$QC_ROOT/scripts/wine-env"
. "$(dirname "$0")/../support/emulated_readers.sh"
. "$(dirname "$0")/../support/planted_devices.sh"
. "$QC_ROOT/tests/support/driven_program.sh"
cleanup() {
  stop_program
  stop_emulators
  qc_stop_started  # this test's own Wine server and display only
  wait 2>/dev/null || true
}
trap cleanup EXIT
# A display of its own too: a second Wine server on a shared display would take part in that
# display's clipboard, which other tests use at the same time.
unset DISPLAY
qc_start_display

# Waits until the port box lists exactly these items (joined by '|'); a silent port is listed
# once both of its 5-second attempts are over.
wait_ports() {  # what, items
  got=$(ui_driver wait-items $IDC_PORT "$2" "${3:-30000}") ||
    fail "$1: the port box never listed [$2], it lists [$got]"
  echo "ok: $1 (at $(($(date +%s) - started)) s)"
}

started=$(date +%s)
qc_fresh_prefix "$WINEPREFIX"
qc_start_wine "$WINEPREFIX"
echo "prefix ready (at $(($(date +%s) - started)) s)"
mkdir -p "$scratch/app"
cp "$program" "$scratch/app/quillcheck.exe"

# Readers of three models (the hardware code sets the model), a silent device, a busy port
# (Wine does not enforce exclusive opens: a link to a file whose open is refused plays a port in
# use), and ports with nothing behind them.
start_reader COM11 --serial 2011
start_reader COM12 --serial 2012 --code 821
start_reader COM14 --serial 2014 --code 302
start_reader COM15 --reply-delay 600000
map_port COM16 /sys/devices/system/cpu/online
wait_for_readers COM11 COM12 COM14 COM15

plant_adapter ftdi MIF11 COM11 "USB Tern Mifare Adapter"
plant_adapter ftdi DSK12 COM12 "USB Tern Desk Adapter"
plant_adapter ftdi GEN13 COM13
plant_adapter ch340 CH14 COM14 "USB Serial"
plant_adapter cp210x CP15 COM15 "CP2102 USB to UART Bridge Controller"
plant_adapter prolific PL16 COM16 "USB-Serial Controller"
plant_port 'ACPI\PNP0501\1' COM1
plant_port 'BTHENUM\{00001101-0000-1000-8000-00805f9b34fb}_LOCALMFG&0002\7&1A&0&00A0C9000017_C00000000' COM17
plant_port 'ACPI\PNP0400\1' LPT1
plant_apply

mifare='COM11   Tern USB CL s/n: 2011 fw: 1.8'
desk='COM12   Tern Desk s/n: 2012 fw: 1.8'
basic='COM14   Tern EH s/n: 2014 fw: 1.8'

echo "== normal mode: the recognised adapters only"
start_program
wait_ports "adapters named by their bus description" "$mifare|$desk"

echo "== hot-plug: an adapter comes, another goes"
start_reader COM21 --serial 2021 --code 301
wait_for_readers COM21
plant_adapter ftdi RF21 COM21 "USB Tern RFID Adapter"
plant_apply
drv device-change nodes >/dev/null
wait_ports "plugged adapter listed after the broadcast" "$mifare|$desk|COM21   Tern R-All s/n: 2021 fw: 1.8" 10000
unplant_adapter ftdi MIF11
plant_apply
drv device-change removal COM11 >/dev/null
wait_ports "unplugged adapter gone after the broadcast" "$desk|COM21   Tern R-All s/n: 2021 fw: 1.8" 10000
unplant_adapter ftdi RF21
plant_adapter ftdi MIF11 COM11 "USB Tern Mifare Adapter"
plant_apply
drv device-change arrival COM11 >/dev/null
wait_ports "port arrival broadcast" "$mifare|$desk" 10000

echo "== search-all mode: every COM port, in name order; never the printer port"
drv command $IDC_PORT $ID_SEARCH_ALL_PORTS >/dev/null  # the port menu's command that lists every COM port
wait_ports "every COM port" "COM1   |$mifare|$desk|COM13   |$basic|COM15   |COM16   |COM17   " 40000

echo "== bad input: nodes that are skipped or listed safely"
plant_port 'ACPI\PNP0501\2' -
plant_port 'ACPI\PNP0501\3' ''
plant_port 'ACPI\PNP0501\4' "COM$(printf '%0300d' 5)"
plant_port 'ACPI\PNP0501\5' COM30
plant_raw "[$planted_enum\\ACPI\\PNP0501\\5\\Device Parameters]"
plant_raw '"PortName"=dword:00000005'
plant_port 'ACPI\PNP0501\6' COM31
plant_raw "[$planted_enum\\ACPI\\PNP0501\\6\\Device Parameters]"
plant_raw '"PortName"=hex:43,00,4f,00,4d,00,33,00,31,00,00,00'
plant_port 'ACPI\PNP0501\7' 'COM1\..\..\x'
plant_adapter ftdi NOPARENT32 COM32          # parent named, not present
plant_adapter ftdi EMPTY33 COM33 ""           # description of no characters
long=$(printf '%04000d' 0 | tr 0 D)
plant_adapter ftdi LONG34 COM34 "$long"       # 4000 characters
plant_adapter ftdi NUL35 COM35
plant_usb_device 'USB\VID_0403&PID_6001\NUL35' "$(reg_hex_text 'USB Tern'),$(reg_hex_text 'Mifare Adapter')"
plant_apply
drv device-change nodes >/dev/null
wait_ports "bad nodes skipped or listed plainly" \
  "COM1   |$mifare|$desk|COM13   |$basic|COM15   |COM16   |COM17   |COM32   |COM33   |COM34   |COM35   " 20000
close_program

echo "== search-all kept from the settings: the list at the next start"
start_program
wait_ports "search-all restored" \
  "COM1   |$mifare|$desk|COM13   |$basic|COM15   |COM16   |COM17   |COM32   |COM33   |COM34   |COM35   " 40000
close_program
echo "port discovery end-to-end: all passed"
