#!/usr/bin/env bash
# Boots a small virtual machine with the kernel's own HID drivers (hid, hid-generic, uhid,
# hidraw, usbhid) and udev, and runs in it the checks of the Linux bus and the HID layer against
# uhid devices, then coldpoint itself (offscreen) against the stand-in analyzer made through
# uhid; then the same on the USB path: the stand-in as a configfs HID gadget on dummy_hcd, the
# udev rule's effect on its node, and coldpoint with the cable pulled mid-run.
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
mkdir -p "$root/etc/udev/rules.d" "$root/lib/udev/rules.d"
# The tree's rule with its plugdev line in force beside the uaccess line; a plugdev member.
sed 's/^#SUBSYSTEM==/SUBSYSTEM==/' udev/70-coldpoint-analyzer.rules \
  > "$root/etc/udev/rules.d/70-coldpoint-analyzer.rules"
printf 'root:x:0:0::/root:/bin/sh\noperator:x:1000:1000::/tmp:/bin/sh\nnobody:x:65534:65534::/:/bin/false\n' \
  > "$root/etc/passwd"
printf 'root:x:0:\nplugdev:x:46:operator\noperator:x:1000:\nnogroup:x:65534:\n' > "$root/etc/group"
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
: > data2.tab
./vm_checks --other-device > /tmp/other.txt & other=$!
./coldpoint-uhid --run-seconds 40 & analyzer=$!
QT_QPA_PLATFORM=offscreen ./coldpoint > /tmp/coldpoint.txt 2>&1 & program=$!
if wait_for "[ \$(grep -c . data2.tab) -ge 6 ]" 420; then
  sleep 1
else
  fail "no journal record within the time"
fi
kill -TERM $program 2>/dev/null; wait $program
kill -TERM $analyzer; wait $analyzer || fail "coldpoint-uhid failed"
kill -TERM $other; wait $other || fail "the other device failed"
cat /tmp/coldpoint.txt
lines=$(wc -l < data2.tab)
number=$(sed -n 1p data2.tab | tr -d '\r ')
echo "vm: data2.tab:"; tr -d '\r' < data2.tab
[ "$lines" -eq 7 ] || fail "the journal has $lines lines, not one record of 7"
[ -n "$(sed -n 2p data2.tab | tr -d '\r ')" ] || fail "the record has no date"
for f in "gr/gr$number.txt" "gr/gr${number}_.txt" "gr/gr${number}__.txt"; do
  [ -s "$f" ] || fail "curve file $f missing or empty"
done
ls -l gr
grep -q "other device: 0 output reports" /tmp/other.txt || fail "the other device was written to: $(cat /tmp/other.txt)"
echo "vm: uhid phase done at $(cut -d' ' -f1 /proc/uptime) s"

echo "vm: the USB path"
./vm_checks --gtest_filter='UsbBus.*' || fail "checks on the USB path"

echo "vm: the udev rule on the USB device"
./coldpoint-gadget --bcd-device 3 2> /tmp/gadget-rule.txt & analyzer=$!
if wait_for "ls /dev/hidraw*" 20; then
  node=$(ls /dev/hidraw* | head -n 1)
  ls -l "$node"
  [ "$(stat -c '%G %a' "$node")" = "plugdev 660" ] ||
    fail "the node is $(stat -c '%U:%G %a' "$node"), not group plugdev, mode 0660"
  ./vm_checks --open-as 1000 46 "$node" || fail "a member of plugdev does not open the node"
  ./vm_checks --open-as 65534 65534 "$node" && fail "nobody opens the node"
  grep -q '^G:uaccess' "/run/udev/data/c$(cat "/sys/class/hidraw/${node#/dev/}/dev")" ||
    fail "the node has no uaccess tag"
else
  fail "coldpoint-gadget made no hidraw node: $(cat /tmp/gadget-rule.txt)"
fi
kill -TERM $analyzer; wait $analyzer || fail "coldpoint-gadget did not end cleanly"
wait_for "! ls /dev/hidraw*" 20 || fail "the gadget's node stayed"

echo "vm: coldpoint with the analyzer on USB, the cable pulled mid-run"
mkdir -p /opt/usb/gr && cp coldpoint /opt/usb/ && cd /opt/usb
: > data2.tab
/opt/cp/coldpoint-gadget --bcd-device 3 --run-seconds 20 2> /tmp/gadget.txt & analyzer=$!
QT_QPA_PLATFORM=offscreen ./coldpoint > /tmp/coldpoint-usb.txt 2>&1 & program=$!
if wait_for "grep -qE 'state (20|30|40)\$' /tmp/gadget.txt" 180; then
  sleep 2; kill -USR1 $analyzer; sleep 2; kill -USR2 $analyzer
else
  fail "no determination started on USB"
fi
if wait_for "sed -n '/plugged in/,\$p' /tmp/gadget.txt | grep -q 'state 5\$'" 180 &&
   wait_for "[ \$(grep -c . data2.tab) -ge 6 ]" 20; then
  sleep 2 # a second record would come now
else
  fail "the run did not end with a journal record on USB"
fi
kill -0 $program 2>/dev/null || fail "coldpoint ended during the USB run"
kill -TERM $program 2>/dev/null; wait $program
kill -TERM $analyzer; wait $analyzer || fail "coldpoint-gadget failed"
cat /tmp/gadget.txt /tmp/coldpoint-usb.txt
lines=$(wc -l < data2.tab)
number=$(sed -n 1p data2.tab | tr -d '\r ')
echo "vm: data2.tab:"; tr -d '\r' < data2.tab
[ "$lines" -eq 7 ] || fail "the USB run's journal has $lines lines, not one record of 7"
/opt/cp/vm_checks --curves "gr/gr$number.txt" "gr/gr${number}_.txt" "gr/gr${number}__.txt" ||
  fail "the USB run's curve files do not hold its points"
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
