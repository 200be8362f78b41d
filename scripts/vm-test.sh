#!/usr/bin/env bash
# Boots a small virtual machine with the kernel's own HID drivers (hid, hid-generic, uhid,
# hidraw) and udev, and runs in it the checks of the Linux bus and the HID layer against uhid
# devices, then coldpoint itself (offscreen) against the stand-in analyzer made through uhid.
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
programs=("$build/app/coldpoint" "$build/app/coldpoint-uhid" "$build/tests/vm_checks")
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
mkdir -p "$root/lib/systemd"
cp -L /lib/systemd/systemd-udevd "$root/lib/systemd/systemd-udevd"
ldd /lib/systemd/systemd-udevd | awk '/=> \//{print $3} /^[ \t]*\//{print $1}' |
  while read -r lib; do [ -e "$root$lib" ] || copy "$lib"; done
mkdir -p "$root/etc/udev/rules.d" "$root/lib/udev/rules.d"
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
for m in hid hid-generic uhid; do insmod /modules/$m.ko || echo "vm: insmod $m failed"; done
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
./vm_checks --gtest_filter='-Unprivileged.*' || fail "checks as root"

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
