#!/usr/bin/env bash
# Installs the Debian package into a scratch root (dpkg-deb -x plus what the dpkg triggers of
# desktop-file-utils and shared-mime-info do), then checks that the desktop finds the program
# and its .xal type, and that the program, started from its menu entry's command under a
# virtual X server, finds its data folder and shows its main window.
#   scratch_install.sh PACKAGE.deb [SCREENSHOT.png]
set -euo pipefail
deb=$(realpath "$1")
shot=${2:+$(realpath -m "$2")}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "scratch_install: $*" >&2; exit 1; }
root=$work/root

dpkg-deb -x "$deb" "$root"
dpkg-deb -e "$deb" "$root/DEBIAN"
apps=$root/usr/share/applications
# The maintainer steps: the triggers refresh these caches after an installation.
XDG_DATA_DIRS=$root/usr/share update-desktop-database "$apps"
XDG_DATA_DIRS=$root/usr/share update-mime-database "$root/usr/share/mime"
grep -q '^application/x-lumavell2-album=.*lumavell2.desktop' "$apps/mimeinfo.cache" ||
    fail "the desktop database does not know the .xal handler: $(cat "$apps/mimeinfo.cache")"
grep -q 'application/x-lumavell2-album:\*\.xal' "$root/usr/share/mime/globs" ||
    fail "the MIME database has no *.xal"
if command -v gtk-update-icon-cache >/dev/null; then
    gtk-update-icon-cache -q -f -t "$root/usr/share/icons/hicolor"
fi

bin=$root/usr/bin/lumavell2
if ldd "$bin" | grep 'not found'; then fail "missing libraries"; fi
# The package's machine settings name /usr/share/lumavell2; here that folder is in the scratch
# root, so the program is given a copy that names it there.
conf=$root/etc/lumavell2/machine.conf
[[ $(sed -n 's/^installedTo=//p' "$conf") == /usr/share/lumavell2 ]] || fail "machine.conf: $(cat "$conf")"
data=$root/usr/share/lumavell2
sed "s|^installedTo=.*|installedTo=$data|" "$conf" > "$work/machine.conf"

# The menu entry's command, with its field code dropped and the program's scratch path.
exec_line=$(sed -n 's/^Exec=//p' "$apps/lumavell2.desktop")
read -r -a cmd <<< "${exec_line//%f/}"
[[ ${cmd[0]} == lumavell2 ]] || fail "Exec: $exec_line"
cmd[0]=$bin

mkdir -p "$work/home"
cat > "$work/run.sh" <<RUN
#!/usr/bin/env bash
set -u
cd /
"\$@" > "$work/program.log" 2>&1 &
pid=\$!
ok=0
# The program moves into its data folder when its main window first shows. Wait for that, or for
# the program to end; the pause between looks only paces them (the caller's timeout guards a hang).
while kill -0 \$pid 2>/dev/null; do
    if [[ \$(readlink /proc/\$pid/cwd) == "$data" ]] && xwininfo -root -tree | grep -q '"Lumavell2'; then
        ok=1
        break
    fi
    sleep 0.2
done
if ((ok)); then
    xwininfo -root -tree | grep '"' | grep -v 'has no name' > "$work/windows.txt" || true
    if [[ -n "$shot" ]]; then
        if command -v xwd >/dev/null && command -v xwdtopnm >/dev/null; then
            xwd -root -silent | xwdtopnm 2>/dev/null | pnmtopng > "$shot" 2>/dev/null
        fi
    fi
fi
kill \$pid 2>/dev/null
wait \$pid 2>/dev/null
((ok))
RUN
chmod +x "$work/run.sh"
HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share \
XDG_DATA_DIRS=$root/usr/share:/usr/share LUMAVELL_MACHINE_SETTINGS=$work/machine.conf \
    xvfb-run -a -s "-screen 0 1280x1024x24" "$work/run.sh" "${cmd[@]}" ||
    { cat "$work/program.log" >&2; fail "the program did not show its main window from $data"; }
echo "scratch_install: windows on screen:"
sed 's/^/  /' "$work/windows.txt"
if grep -q '"Where am I?"' "$work/windows.txt"; then fail "the program did not find its install folder"; fi
[[ -d $work/home/Documents/My\ Pictures/My\ Albums ]] || fail "no catalog folder in the scratch home"
echo "scratch_install: $(basename "$deb") installs and starts from $bin"
