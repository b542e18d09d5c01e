#!/usr/bin/env bash
# The check of the two Debian packages, run by CTest over a finished build:
#   check-packages.sh BUILD_DIR WORK_DIR
# makes orv7-client and orv7-appserver from the build with CPack, reads their control data,
# unpacks both into a scratch root (dpkg -x), starts the unpacked server against a scratch
# configuration made from the installed /etc/orv7/appserver.ini on a loopback port, with the
# self-signed certificate it makes at first start, and signs in with the unpacked lumcall to
# read the code table; writes the client's machine settings with the unpacked
# orv7-client-setup and signs in through them; backs the running server's database up, and
# stops the server with SIGTERM.
set -euo pipefail

build=$(realpath "$1")
work=$2
rm -rf "$work"
mkdir -p "$work"
work=$(realpath "$work")
root=$work/root
state=$work/state
mkdir -p "$root" "$state"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
step() { echo "== $*"; }

step "making the packages with CPack"
# zstd keeps the check quick; scripts/package.sh makes the release packages with xz.
"${CPACK:-cpack}" --config "$build/CPackConfig.cmake" -B "$work/out" -D CPACK_DEBIAN_COMPRESSION_TYPE=zstd \
    >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack"; }
client_deb=$(ls "$work"/out/orv7-client_*.deb)
server_deb=$(ls "$work"/out/orv7-appserver_*.deb)

step "control data"
field() { dpkg-deb --field "$1" "$2"; }
[ "$(field "$client_deb" Package)" = orv7-client ] || fail "client package name"
[ "$(field "$server_deb" Package)" = orv7-appserver ] || fail "server package name"
for dep in libqt6widgets6 libqt6network6 libqt6pdf6 libzip4 libpugixml1v5 qt6-qpa-plugins \
    fonts-wqy-microhei fonts-arphic-uming; do
    grep -q "$dep" <<<"$(field "$client_deb" Depends)" || fail "orv7-client does not depend on $dep"
done
grep -q libreoffice-writer <<<"$(field "$client_deb" Recommends)" || fail "office suite not recommended"
grep -q libreoffice <<<"$(field "$client_deb" Depends)" && fail "the office suite is required"
for dep in libqt6sql6 libqt6sql6-sqlite libsodium23 openssl adduser; do
    grep -q "$dep" <<<"$(field "$server_deb" Depends)" || fail "orv7-appserver does not depend on $dep"
done
grep -q "fonts-" <<<"$(field "$server_deb" Depends)" && fail "the server needs no fonts"
server_control=$(dpkg-deb --ctrl-tarfile "$server_deb" | tar -t)
client_control=$(dpkg-deb --ctrl-tarfile "$client_deb" | tar -t)
grep -qx ./conffiles <<<"$server_control" || fail "no conffiles"
grep -qx ./templates <<<"$client_control" || fail "no debconf templates"
grep -qx ./config <<<"$client_control" || fail "no debconf questions"
grep -qx /etc/orv7/appserver.ini <<<"$(dpkg-deb --info "$server_deb" conffiles)" || fail "conffile"
for script in postinst prerm postrm; do
    dpkg-deb --info "$server_deb" "$script" | sh -n || fail "orv7-appserver $script"
done
for script in config postinst postrm; do
    dpkg-deb --info "$client_deb" "$script" | sh -n || fail "orv7-client $script"
done

step "unpacking into $root"
dpkg -x "$client_deb" "$root"
dpkg -x "$server_deb" "$root"
for f in usr/lib/orv7/client/QuonClientManager70 usr/lib/orv7/client/libRadLum70.so \
    usr/lib/orv7/client/LumChangePassword.bpl usr/lib/orv7/client/TemplateDocs/公告單.docx \
    usr/lib/orv7/client/Organization.ini usr/bin/orv7-client usr/sbin/orv7-client-setup \
    usr/share/applications/orv7-client.desktop \
    usr/share/icons/hicolor/scalable/apps/orv7-client.svg \
    usr/lib/orv7/appserver/appserver usr/lib/orv7/appserver/lumcall usr/bin/lumcall \
    usr/sbin/orv7-appserver usr/lib/orv7/appserver/publish/LumJobTree.bpl \
    usr/lib/orv7/appserver/publish/TemplateDocs/學生名冊.docx \
    lib/systemd/system/orv7-appserver.service etc/orv7/appserver.ini; do
    [ -e "$root/$f" ] || fail "$f is not in the packages"
done
[ "$(readlink "$root/usr/bin/lumcall")" = ../lib/orv7/appserver/lumcall ] || fail "lumcall link"
grep -q '^Name\[zh_TW\]=校務行政' "$root/usr/share/applications/orv7-client.desktop" ||
    fail "the launcher has no Traditional Chinese name"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$root/usr/share/applications/orv7-client.desktop"
fi
# Every program, library and job package finds its libraries in the unpacked tree (the
# client's job packages through the launcher's library path).
for f in "$root"/usr/lib/orv7/appserver/appserver "$root"/usr/lib/orv7/appserver/lumcall \
    "$root"/usr/lib/orv7/client/QuonClientManager70 "$root"/usr/lib/orv7/client/*.bpl; do
    missing=$(LD_LIBRARY_PATH="$root/usr/lib/orv7/client" ldd "$f" | grep "not found" || true)
    [ -z "$missing" ] || fail "$f: $missing"
done
if grep -q "=> $build/bin/" <<<"$(ldd "$root/usr/lib/orv7/appserver/appserver")"; then
    fail "the unpacked server loads libraries of the build folder"
fi

step "the launcher starts the unpacked client"
# No server is configured yet, so the client waits at its first message; it must still be
# running when stopped, with the user's program folder made from the installed files.
home=$work/home
rc=0
env -u ORV7_PROGRAM_DIR -u LD_LIBRARY_PATH HOME="$home" XDG_DATA_HOME= QT_QPA_PLATFORM=offscreen \
    ORV7_MACHINE_REGISTRY="$work/client-machine" ORV7_USER_REGISTRY="$work/client-user" \
    timeout 10 "$root/usr/bin/orv7-client" >"$work/client.log" 2>&1 || rc=$?
[ $rc = 124 ] || { cat "$work/client.log"; fail "the client did not keep running (exit $rc)"; }
grep -q "AddressSanitizer" "$work/client.log" && { cat "$work/client.log"; fail "the client failed"; }
[ -f "$home/.local/share/orv7/LumJobTree.bpl" ] &&
    [ -f "$home/.local/share/orv7/TemplateDocs/公告單.docx" ] &&
    [ -f "$home/.local/share/orv7/Organization.ini" ] ||
    fail "the user's program folder was not made from the installed files"

step "the unpacked server on a loopback port"
ini=$work/appserver.ini
sed -e "s|^Port=2001|Port=0\nAddress=127.0.0.1|" \
    -e "s|^CertificateFolder=/var/lib/orv7|CertificateFolder=$state|" \
    -e "s|^Publish=/usr/lib|Publish=$root/usr/lib|" \
    -e "s|^Name=/var/lib/orv7/appserver.sqlite|Name=$state/appserver.sqlite|" \
    "$root/etc/orv7/appserver.ini" >"$ini"
grep -q "^Name=$state/" "$ini" && grep -q "^Publish=$root/" "$ini" ||
    fail "the installed appserver.ini has not the expected settings"
server=$root/usr/lib/orv7/appserver/appserver
log=$work/appserver.log
(cd "$state" && exec "$server" --config "$ini" --fast-hash) 2>"$log" &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT
port=""
for _ in $(seq 1 600); do
    port=$(sed -n 's/.*listening on port \([0-9]*\).*/\1/p' "$log")
    [ -n "$port" ] && break
    kill -0 $pid 2>/dev/null || { cat "$log"; fail "the server did not start"; }
    sleep 0.1
done
[ -n "$port" ] || { cat "$log"; fail "the server did not listen"; }
grep -q "with TLS" "$log" || fail "the server does not speak TLS"
grep -q "made a self-signed certificate" "$log" || fail "no certificate made at first start"
cert=$state/appserver-cert.pem
grep -q "$cert" "$log" || fail "the log does not say where the certificate is"
[ "$(stat -c %a "$state/appserver-key.pem")" = 600 ] || fail "the key is readable by others"
grep -Eq "Published from .*: [1-9][0-9]* job packages, [1-9][0-9]* templates" "$log" ||
    { cat "$log"; fail "the installed packages and templates were not published"; }
grep -q "$root/usr/lib/orv7/appserver/libAppServerLib.so" /proc/$pid/maps ||
    fail "the server does not run on the unpacked libraries"

lumcall=$root/usr/bin/lumcall
out=$("$lumcall" --port "$port" --trust "$cert" --user ADMIN --password orv7-admin \
    SystemObj.CodeTableINTF --fetch xspCodeTable)
grep -q "NSEX" <<<"$out" || { echo "$out" | head; fail "the code table was not read"; }
echo "the code table: $(echo "$out" | wc -l) lines"
out=$("$lumcall" --port "$port" --trust "$cert" --user ADMIN --password orv7-admin \
    SrvJobSecurity.VersionCtrlNTF --fetch xspClientApps)
grep -q "LumChangePassword.bpl" <<<"$out" || fail "the job packages are not listed"

step "the client's machine settings"
export ORV7_MACHINE_REGISTRY=$work/machine
"$root/usr/sbin/orv7-client-setup" --server "127.0.0.1:$port" --trust "$cert"
grep -qi "^\[SOFTWARE/ORV7.0/AppServers/DefaultServer\]" "$ORV7_MACHINE_REGISTRY/registry.ini" ||
    fail "DefaultServer not written"
# Without --trust, the connection trusts the certificate of the machine settings.
out=$("$lumcall" --port "$port" --user T001 --password teach-2024 \
    SystemObj.CodeTableINTF --fetch xspCodeTable)
grep -q "NSEX" <<<"$out" || fail "the machine settings' certificate is not trusted"
if "$root/usr/sbin/orv7-client-setup" --server "127.0.0.1:99999" 2>/dev/null; then
    fail "a wrong port was accepted"
fi

step "a backup while the server runs"
"$server" --config "$ini" --backup "$work/backup.sqlite"
[ -s "$work/backup.sqlite" ] || fail "no backup written"
if "$server" --config "$ini" --restore "$work/backup.sqlite" 2>"$work/restore.log"; then
    fail "a restore ran while the server was running"
fi
grep -q "stop it" "$work/restore.log" || fail "the refused restore does not say why"

step "stopping the server"
kill -TERM $pid
wait $pid || { cat "$log"; fail "the server did not stop cleanly"; }
trap - EXIT
grep -q "appserver: stopped" "$log" || fail "no clean stop in the log"
"$server" --config "$ini" --restore "$work/backup.sqlite"

if command -v systemd-analyze >/dev/null; then
    step "the service unit"
    # Verified as installed, its program taken from the scratch root.
    mkdir -p "$work/unit"
    sed "s|^ExecStart=/usr/lib/|ExecStart=$root/usr/lib/|" \
        "$root/lib/systemd/system/orv7-appserver.service" >"$work/unit/orv7-appserver.service"
    systemd-analyze verify --man=no "$work/unit/orv7-appserver.service" >"$work/verify.log" 2>&1 ||
        { cat "$work/verify.log"; fail "the service unit does not verify"; }
    [ ! -s "$work/verify.log" ] || { cat "$work/verify.log"; fail "the service unit has faults"; }
fi
echo "package check passed"
