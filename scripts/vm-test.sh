#!/usr/bin/env bash
# Boots a small virtual machine with the kernel's own HID drivers (hid, hid-generic, uhid,
# hidraw, usbhid) and udev, and runs in it the checks of the Linux bus and the HID layer against
# uhid devices, then coldpoint itself (offscreen) against the stand-in analyzer made through
# uhid; then the same on the USB path: the stand-in as a configfs HID gadget on dummy_hcd, the
# shipped udev rule's effect on its node for the seat's active user and for another user, and
# coldpoint with the cable pulled mid-run (its curves checked against the reports the stand-in
# sent), with the cable pulled until the analyzer has ended and is ready again, and with an
# analyzer that stops reading what the host writes (the main thread must never wait in a
# write to it). Every wait is for a named event, with a bound.
# The machine prints one result line on its serial console and powers off; anything else,
# a time-out included, fails.
#   scripts/vm-test.sh [build dir]      (root; qemu-system-x86, linux-image-amd64,
#                                        busybox-static and udev installed by setup.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
time_limit=${COLDPOINT_VM_TIME_LIMIT:-900}

# The kernel that linux-image-amd64 brings (the machine may run another one).
kver=$(dpkg-query -W -f='${Depends}' linux-image-amd64 2>/dev/null |
  sed -n 's/^linux-image-\([^ ,]*\).*/\1/p')
kernel=/boot/vmlinuz-$kver
[ -n "$kver" ] && [ -r "$kernel" ] || { echo "vm-test: no kernel of linux-image-amd64 in /boot"; exit 1; }
moddir=/lib/modules/$kver/kernel/drivers/hid
for f in "$moddir/hid.ko" "$moddir/hid-generic.ko" "$moddir/uhid.ko"; do
  [ -f "$f" ] || { echo "vm-test: missing module $f"; exit 1; }
done
# The USB path: the host and device sides of dummy_hcd, the HID gadget function and usbhid.
usb_modules=(fs/configfs/configfs.ko drivers/usb/common/usb-common.ko drivers/usb/core/usbcore.ko
  drivers/usb/gadget/udc/udc-core.ko drivers/usb/gadget/udc/dummy_hcd.ko
  drivers/usb/gadget/libcomposite.ko drivers/usb/gadget/function/usb_f_hid.ko
  drivers/hid/usbhid/usbhid.ko)
for m in "${usb_modules[@]}"; do
  [ -f "/lib/modules/$kver/kernel/$m" ] || { echo "vm-test: missing module $m"; exit 1; }
done
programs=("$build/app/coldpoint" "$build/app/coldpoint-uhid" "$build/app/coldpoint-gadget"
  "$build/tests/vm_checks")
for p in "${programs[@]}"; do
  [ -x "$p" ] || { echo "vm-test: $p is not built"; exit 1; }
done

work=$(mktemp -d "$build/vm.XXXXXX")
trap 'rm -rf "$work"' EXIT
root=$work/root
mkdir -p "$root"/{bin,sbin,dev,proc,sys,run,tmp,etc,root,opt/cp/gr,modules,usr/lib,usr/lib64,usr/bin}
ln -s usr/lib "$root/lib"
ln -s usr/lib64 "$root/lib64"

# A file of the host at the same place in the machine; for a program, its libraries too.
copy() { cp -L --parents "$1" "$root/"; }
copy_with_libs() {
  copy "$1"
  ldd "$1" | awk '/=> \//{print $3} /^[ \t]*\//{print $1}' | while read -r lib; do
    [ -e "$root$lib" ] || copy "$lib"
  done
}

cp /bin/busybox "$root/bin/busybox"
cp "$moddir/hid.ko" "$moddir/hid-generic.ko" "$moddir/uhid.ko" "$root/modules/"
for m in "${usb_modules[@]}"; do cp "/lib/modules/$kver/kernel/$m" "$root/modules/"; done
mkdir -p "$root/lib/systemd"
cp -L /lib/systemd/systemd-udevd "$root/lib/systemd/systemd-udevd"
ldd /lib/systemd/systemd-udevd | awk '/=> \//{print $3} /^[ \t]*\//{print $1}' |
  while read -r lib; do [ -e "$root$lib" ] || copy "$lib"; done
ln -s /lib/systemd/systemd-udevd "$root/bin/udevadm" # the same program, by its other name
mkdir -p "$root/etc/udev/rules.d" "$root/lib/udev/rules.d"
# The tree's rule as shipped, and the seat rules that act on its "uaccess" tag.
cp udev/70-coldpoint-analyzer.rules "$root/etc/udev/rules.d/"
cp /lib/udev/rules.d/73-seat-late.rules "$root/lib/udev/rules.d/"
printf 'root:x:0:0::/root:/bin/sh\noperator:x:1000:1000::/tmp:/bin/sh\nnobody:x:65534:65534::/:/bin/false\n' \
  > "$root/etc/passwd"
printf 'root:x:0:\noperator:x:1000:\nnogroup:x:65534:\n' > "$root/etc/group"
for p in "${programs[@]}"; do
  cp "$p" "$root/opt/cp/"
  copy_with_libs "$p"
done
plugin=$(ls /usr/lib/x86_64-linux-gnu/qt6/plugins/platforms/libqoffscreen.so)
copy_with_libs "$plugin"
copy /etc/fonts/fonts.conf
cp -rL --parents /etc/fonts/conf.d "$root/" 2>/dev/null || true
copy /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
copy /usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf

cat > "$root/init" <<'INIT'
#!/bin/busybox sh
/bin/busybox --install -s /bin
export PATH=/bin:/sbin HOME=/root LD_LIBRARY_PATH=/usr/lib/x86_64-linux-gnu
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev
mount -t tmpfs run /run
mount -t tmpfs tmp /tmp
for m in hid hid-generic uhid configfs usb-common usbcore udc-core dummy_hcd libcomposite \
         usb_f_hid usbhid; do
  insmod /modules/$m.ko || echo "vm: insmod $m failed"
done
mount -t configfs none /sys/kernel/config || echo "vm: configfs did not mount"
# A seat with an active local user (uid 1000), as the login manager records it.
mkdir -p /run/systemd/seats
printf 'ACTIVE=c1\nACTIVE_UID=1000\n' > /run/systemd/seats/seat0
/lib/systemd/systemd-udevd --daemon 2>/dev/null || echo "vm: udevd did not start"

failed=""
fail() { echo "vm: FAILED: $*"; failed="$failed; $*"; }

# Waits (at most $2 seconds) for the command $1 to succeed.
wait_for() {
  i=0
  while ! eval "$1" >/dev/null 2>&1; do
    i=$((i + 1)); [ "$i" -gt "$(($2 * 5))" ] && return 1; sleep 0.2
  done
}
# Lines of the file from the first one that holds $2 on.
since() { sed -n "/$2/,\$p" "$1"; }
# Status reports in a stand-in's reports file after the line that holds $2.
reports_since() { since "$1" "$2" | grep -c '^report'; }
# The journal in the current folder holds a whole record.
journal_record() { [ "$(grep -c . data2.tab)" -ge 6 ]; }
# The record's three curve files are there and hold something.
curve_files() {
  n=$(sed -n 1p data2.tab | tr -d '\r ')
  [ -s "gr/gr$n.txt" ] && [ -s "gr/gr${n}_.txt" ] && [ -s "gr/gr${n}__.txt" ]
}
# One record of 7 lines, with a date, and its curve files.
check_one_record() {
  lines=$(wc -l < data2.tab)
  echo "vm: data2.tab:"; tr -d '\r' < data2.tab
  [ "$lines" -eq 7 ] || fail "$1: the journal has $lines lines, not one record of 7"
  [ -n "$(sed -n 2p data2.tab | tr -d '\r ')" ] || fail "$1: the record has no date"
  n=$(sed -n 1p data2.tab | tr -d '\r ')
  /opt/cp/vm_checks --curves "gr/gr$n.txt" "gr/gr${n}_.txt" "gr/gr${n}__.txt" ||
    fail "$1: the curve files do not hold its points"
}
# Runs the probe as user $1 (group $2) on the node $3: 0 opens read-write, 1 does not.
open_as() {
  /opt/cp/vm_checks --open-as "$1" "$2" "$3"
  case $? in
    0) return 0 ;;
    1) return 1 ;;
    *) fail "the probe could not become user $1"; return 2 ;;
  esac
}
# Ends a program with SIGTERM and waits for it.
end() { kill -TERM "$1" 2>/dev/null; wait "$1"; }
# A coldpoint in its own folder /opt/$1 with an empty journal (stderr and stdout to /tmp/$1.txt).
start_coldpoint() {
  mkdir -p "/opt/$1/gr" && cp /opt/cp/coldpoint "/opt/$1/" && cd "/opt/$1" && : > data2.tab
  QT_QPA_PLATFORM=offscreen ./coldpoint > "/tmp/$1.txt" 2>&1 & program=$!
}
# After the re-plug the stand-in ended its determination and started the next one.
next_run_after_the_end() {
  awk '/plugged in/ { p = 1 } p && /state 5$/ { e = 1 } e && /state (20|30|40)$/ { n = 1 }
       END { exit !n }' "$1"
}
# The pull was noticed: coldpoint says the reads of the node ended.
pull_noticed() { grep -q 'coldpoint: reading /dev/hidraw[0-9]* ended' "/tmp/$1.txt"; }

cd /opt/cp
echo "vm: the bus and the HID layer"
./vm_checks --gtest_filter='-Unprivileged.*:UsbBus.*' || fail "checks as root"

echo "vm: without access to the node"
./coldpoint-uhid & analyzer=$!
if wait_for "ls /dev/hidraw*" 20; then
  ls -l /dev/hidraw*
  ./vm_checks --gtest_filter='Unprivileged.*' || fail "checks without access"
else
  fail "coldpoint-uhid made no hidraw node"
fi
kill -TERM $analyzer; wait $analyzer || fail "coldpoint-uhid did not end cleanly"
wait_for "! ls /dev/hidraw*" 20 || fail "the analyzer's node stayed"

echo "vm: coldpoint with the stand-in analyzer"
./vm_checks --other-device > /tmp/other.txt & other=$!
./coldpoint-uhid --run-seconds 40 & analyzer=$!
start_coldpoint uhid
if wait_for journal_record 420 && wait_for curve_files 20; then :; else
  fail "no journal record with its curve files within the time"
fi
end $program
kill -TERM $analyzer; wait $analyzer || fail "coldpoint-uhid failed"
kill -TERM $other; wait $other || fail "the other device failed"
cat /tmp/uhid.txt
check_one_record "the uhid run"
ls -l gr
grep -q "other device: 0 output reports" /tmp/other.txt || fail "the other device was written to: $(cat /tmp/other.txt)"
cd /opt/cp
echo "vm: uhid phase done at $(cut -d' ' -f1 /proc/uptime) s"

echo "vm: the USB path"
./vm_checks --gtest_filter='UsbBus.*' || fail "checks on the USB path"

echo "vm: the udev rule as shipped, on the USB device"
./coldpoint-gadget --bcd-device 3 2> /tmp/gadget-rule.txt & analyzer=$!
if wait_for "ls /dev/hidraw*" 20 && udevadm settle --timeout=20; then
  node=$(ls /dev/hidraw* | head -n 1)
  ls -l "$node"
  grep -q '^G:uaccess' "/run/udev/data/c$(cat "/sys/class/hidraw/${node#/dev/}/dev")" ||
    fail "the node has no uaccess tag"
  [ "$(stat -c '%U:%G' "$node")" = "root:root" ] ||
    fail "the node is $(stat -c '%U:%G' "$node")'s, not root's"
  open_as 1000 1000 "$node"; [ $? -eq 0 ] || fail "the seat's active user does not open the node"
  open_as 65534 65534 "$node"; [ $? -eq 1 ] || fail "another user opens the node"
else
  fail "coldpoint-gadget made no hidraw node: $(cat /tmp/gadget-rule.txt)"
fi
kill -TERM $analyzer; wait $analyzer || fail "coldpoint-gadget did not end cleanly"
wait_for "! ls /dev/hidraw*" 20 || fail "the gadget's node stayed"

echo "vm: coldpoint with the analyzer on USB, the cable pulled mid-run"
/opt/cp/coldpoint-gadget --bcd-device 3 --run-seconds 30 --reports /tmp/reports-pull.txt \
  2> /tmp/gadget-pull.txt & analyzer=$!
start_coldpoint usb
if wait_for "grep -qE 'state (20|30|40)\$' /tmp/gadget-pull.txt" 180; then
  first=$(grep -c '^report' /tmp/reports-pull.txt)
  wait_for "[ \$(grep -c '^report' /tmp/reports-pull.txt) -ge $((first + 3)) ]" 60 ||
    fail "the USB run was not polled"
  kill -USR1 $analyzer
  wait_for "pull_noticed usb" 20 || fail "coldpoint did not notice the pull"
  sleep 2 # the cable stays out this long while the determination goes on
  kill -USR2 $analyzer
else
  fail "no determination started on USB"
fi
if wait_for "since /tmp/gadget-pull.txt 'plugged in' | grep -q 'state 5\$'" 180 &&
   wait_for journal_record 20 && wait_for curve_files 20; then
  # coldpoint has seen the states after the end once the stand-in starts its next run
  wait_for "next_run_after_the_end /tmp/gadget-pull.txt" 120 ||
    fail "no next run after the USB run's end"
else
  fail "the run did not end with a journal record on USB"
fi
kill -0 $program 2>/dev/null || fail "coldpoint ended during the USB run"
end $program
kill -TERM $analyzer; wait $analyzer || fail "coldpoint-gadget failed"
cat /tmp/gadget-pull.txt /tmp/usb.txt
check_one_record "the USB run"
n=$(sed -n 1p data2.tab | tr -d '\r ')
/opt/cp/vm_checks --curve-points /tmp/reports-pull.txt "gr/gr${n}__.txt" across ||
  fail "the USB run's temperature curve is not what the analyzer measured, on both sides of the pull"
cd /opt/cp

echo "vm: the cable out while the determination ends, back when the analyzer is ready again"
/opt/cp/coldpoint-gadget --bcd-device 3 --run-seconds 20 --own-clock \
  --reports /tmp/reports-ready.txt 2> /tmp/gadget-ready.txt & analyzer=$!
start_coldpoint ready
if wait_for "/opt/cp/vm_checks --last-report /tmp/reports-ready.txt |
             grep -qE '^state (20|30|40) cloud [-0-9]'" 240; then
  kill -USR1 $analyzer
  wait_for "pull_noticed ready" 20 || fail "coldpoint did not notice the pull"
  wait_for "since /tmp/gadget-ready.txt unplugged | grep -qE 'state [1-4]\$'" 180 ||
    fail "the analyzer was not ready again while the cable was out"
  kill -USR2 $analyzer
  wait_for journal_record 60 && wait_for curve_files 20 ||
    fail "the determination that ended with the cable out left no record"
  wait_for "since /tmp/gadget-ready.txt 'plugged in' | grep -qE 'state (20|30|40)\$'" 120 ||
    fail "the next run did not start after the re-plug"
else
  fail "no cloud point found on USB before the pull"
fi
end $program
kill -TERM $analyzer; wait $analyzer || fail "coldpoint-gadget failed"
cat /tmp/gadget-ready.txt /tmp/ready.txt
check_one_record "the run ended with the cable out"
[ "$(sed -n 3p data2.tab | tr -d '\r ')" != "?" ] || fail "the record lost the cloud point"
n=$(sed -n 1p data2.tab | tr -d '\r ')
/opt/cp/vm_checks --curve-points /tmp/reports-ready.txt "gr/gr${n}__.txt" before ||
  fail "the record's temperature curve is not what the analyzer measured before the pull"
cd /opt/cp

echo "vm: an analyzer on USB that stops reading what the host writes"
/opt/cp/coldpoint-gadget --bcd-device 3 --reports /tmp/reports-silent.txt \
  2> /tmp/gadget-silent.txt & analyzer=$!
start_coldpoint silent
if wait_for "[ \$(grep -c '^report' /tmp/reports-silent.txt) -ge 3 ]" 120; then
  kill -TSTP $analyzer
  # Until the kernel gives up on the transfer the stand-in does not take, the main thread is
  # looked at: it must never be found waiting in a write to the node.
  held=0; looks=0
  while ! grep -q 'coldpoint: write(2) to /dev/hidraw' /tmp/silent.txt; do
    looks=$((looks + 1)); [ $looks -gt 300 ] && break
    set -- $(cat /proc/$program/task/$program/syscall 2>/dev/null) x
    if [ "$1" = 1 ] && readlink "/proc/$program/fd/$(($2))" | grep -q hidraw; then
      held=$((held + 1))
    fi
    sleep 0.1
  done
  echo "vm: the main thread was found in a write to the node $held times of $looks"
  grep -q 'coldpoint: write(2) to /dev/hidraw' /tmp/silent.txt ||
    fail "no write to the silent analyzer failed within the time"
  [ $held -eq 0 ] || fail "a write to the silent analyzer held the main thread"
  kill -CONT $analyzer
  wait_for "[ \$(reports_since /tmp/reports-silent.txt answers) -ge 3 ]" 60 ||
    fail "the polls did not go through once the analyzer answered again"
  kill -0 $program 2>/dev/null || fail "coldpoint ended while the analyzer was silent"
else
  fail "the analyzer on USB was not polled"
fi
end $program
kill -TERM $analyzer; wait $analyzer || fail "coldpoint-gadget failed"
cat /tmp/gadget-silent.txt /tmp/silent.txt
cd /opt/cp
echo "vm: USB phase done at $(cut -d' ' -f1 /proc/uptime) s"

if [ -z "$failed" ]; then echo "COLDPOINT-VM-RESULT: PASS"; else echo "COLDPOINT-VM-RESULT: FAIL$failed"; fi
sync
poweroff -f
INIT
chmod +x "$root/init"
(cd "$root" && find . | cpio -o -H newc --quiet | gzip -1) > "$work/initrd.gz"

log=$build/vm-test.log
echo "vm-test: booting $kver (log in $log)"
set +e
timeout --kill-after=10 "$time_limit" qemu-system-x86_64 -m 1024 -smp 2 -accel tcg \
  -kernel "$kernel" -initrd "$work/initrd.gz" \
  -append "console=ttyS0 quiet panic=-1 rdinit=/init" \
  -display none -no-reboot -monitor none -serial stdio </dev/null > "$log" 2>&1
rc=$?
set -e
tr -d '\r' < "$log" | grep -v '^\s*$' | tail -n 80
if [ $rc -eq 124 ] || [ $rc -eq 137 ]; then
  echo "vm-test: time-out after $time_limit s"; exit 1
fi
if grep -q '^COLDPOINT-VM-RESULT: PASS' <(tr -d '\r' < "$log"); then
  echo "vm-test: passed"
else
  echo "vm-test: FAILED"; exit 1
fi
