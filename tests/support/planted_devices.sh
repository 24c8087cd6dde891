# Sourced by Wine tests: device nodes planted in a prefix's registry, which Wine's SetupAPI then
# lists exactly as Windows lists plugged-in serial ports (the Ports class, each node's PortName,
# its parent USB device and that device's bus-reported description). Planting sends no
# WM_DEVICECHANGE: broadcast one with `ui_driver device-change nodes` (or arrival/removal PORT).
#
# Interface (plain POSIX sh; WINEPREFIX names the prefix, wine_run the build's Wine runner):
#   plant_adapter KIND SERIAL PORT [DESCRIPTION]
#       a USB-serial adapter: KIND is ftdi (0403:6001, FTDIBUS node), ch340 (1A86:7523),
#       cp210x (10C4:EA60) or prolific (067B:2303); SERIAL makes it unique (letters and digits);
#       DESCRIPTION, when given, is what its USB device reports on the bus. Example, an adapter
#       the program recognises as a Tern Mifare reader's: plant_adapter ftdi A1 COM7 "USB Tern Mifare Adapter"
#   plant_port INSTANCE_ID PORT
#       any other Ports-class node, e.g. ACPI\PNP0501\1 (a motherboard port), a BTHENUM\... one
#       or ACPI\PNP0400\1 with LPT1. PORT "-" writes no PortName value.
#   plant_raw TEXT            a line of .reg text as it stands (values of odd types, say)
#   unplant_adapter KIND SERIAL / unplant_port INSTANCE_ID   remove a node again
#   plant_apply               import what was planted or removed since the last apply
# Helpers: reg_hex_text TEXT (UTF-16LE hex of TEXT and a NUL, for hex(...) values).
planted_reg=${planted_reg:-${scratch:-/tmp}/planted.reg}
planted_enum='HKEY_LOCAL_MACHINE\System\CurrentControlSet\Enum'
planted_usb_class='{a5dcbf10-6530-11d2-901f-00c04fb951ed}'
: >"$planted_reg"

reg_hex_text() {  # TEXT: "xx,xx,..." of its UTF-16LE code units and a terminating NUL
  { printf '%s' "$1" | iconv -f UTF-8 -t UTF-16LE; printf '\000\000'; } | od -An -v -tx1 |
    tr -s ' \n' ',' | sed 's/^,//; s/,$//'
}

plant_raw() { printf '%s\n' "$1" >>"$planted_reg"; }

planted_ids() {  # KIND SERIAL: sets planted_node (the port's node) and planted_parent (its USB device)
  case $1 in
    ftdi) planted_node="FTDIBUS\\VID_0403+PID_6001+$2\\0000" planted_parent="USB\\VID_0403&PID_6001\\$2" ;;
    ch340) planted_node="USB\\VID_1A86&PID_7523\\$2" planted_parent="USB\\VID_1A86&PID_7523\\$2&P" ;;
    cp210x) planted_node="USB\\VID_10C4&PID_EA60\\$2" planted_parent="USB\\VID_10C4&PID_EA60\\$2&P" ;;
    prolific) planted_node="USB\\VID_067B&PID_2303\\$2" planted_parent="USB\\VID_067B&PID_2303\\$2&P" ;;
    *) echo "plant_adapter: unknown kind $1" >&2; return 1 ;;
  esac
}

plant_port() {  # INSTANCE_ID PORT
  plant_raw "[$planted_enum\\$1]"
  plant_raw '"ClassGUID"="{4d36e978-e325-11ce-bfc1-08002be10318}"'
  plant_raw '"Class"="Ports"'
  plant_raw "\"FriendlyName\"=\"Serial Port ($2)\""
  plant_raw '"DeviceDesc"="Serial Port"'
  if [ "$2" != "-" ]; then
    plant_raw "[$planted_enum\\$1\\Device Parameters]"
    plant_raw "\"PortName\"=\"$2\""
  fi
}

plant_adapter() {  # KIND SERIAL PORT [DESCRIPTION]
  planted_ids "$1" "$2" || return 1
  plant_port "$planted_node" "$3"
  plant_raw "[$planted_enum\\$planted_node\\Properties\\{4340a6c5-93fa-4706-972c-7b648008a5a7}\\0008]"
  plant_raw "@=hex(ffff0012):$(reg_hex_text "$planted_parent")"
  [ $# -ge 4 ] || return 0
  plant_usb_device "$planted_parent" "$(reg_hex_text "$4")"
}

plant_usb_device() {  # INSTANCE_ID DESCRIPTION_HEX: a present USB device reporting that description
  plant_raw "[$planted_enum\\$1]"
  plant_raw "\"ClassGUID\"=\"{36fc9e60-c465-11cf-8056-444553540000}\""
  plant_raw "[$planted_enum\\$1\\Properties\\{540b947e-8b40-45bc-a8a2-6a0b894cbda2}\\0004]"
  plant_raw "@=hex(ffff0012):$2"
  planted_link=$(printf '%s' "$1" | tr '\\' '#')
  planted_interface="HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\DeviceClasses\\$planted_usb_class\\##?#$planted_link#$planted_usb_class"
  plant_raw "[$planted_interface]"
  plant_raw "\"DeviceInstance\"=\"$(printf '%s' "$1" | sed 's/\\/\\\\/g')\""
  plant_raw "[$planted_interface\\#]"
  plant_raw "\"SymbolicLink\"=\"\\\\\\\\?\\\\$planted_link#$planted_usb_class\""
  plant_raw "[$planted_interface\\#\\Control]"
  plant_raw '"Linked"=dword:00000001'
}

unplant_port() { plant_raw "[-$planted_enum\\$1]"; }

unplant_adapter() {  # KIND SERIAL
  planted_ids "$1" "$2" || return 1
  unplant_port "$planted_node"
  unplant_port "$planted_parent"
  planted_link=$(printf '%s' "$planted_parent" | tr '\\' '#')
  plant_raw "[-HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\DeviceClasses\\$planted_usb_class\\##?#$planted_link#$planted_usb_class]"
}

plant_apply() {
  { printf 'Windows Registry Editor Version 5.00\n\n'; cat "$planted_reg"; } >"$planted_reg.import"
  # regedit has written everything to the Wine server when it returns; SetupAPI reads from there.
  "$wine_run" regedit /S "$(winepath_of "$planted_reg.import")" >/dev/null 2>&1
  : >"$planted_reg"
}

winepath_of() { printf 'Z:%s' "$1" | tr '/' '\\'; }
