#!/usr/bin/env bash
# package.sh <build dir> <source dir>: makes the build's Debian package and checks its name, files, modes
# and fields, and that lintian finds no error in it. Then unpacks it and starts the program, as a person
# who cannot write in its folder, on a diary of theirs: the program must keep its Settings.ini in their
# configuration folder and nowhere else.
set -euo pipefail
build=$1
source=$2
work=$(mktemp -d)
pid=
trap 'kill $pid 2>/dev/null || true; chmod -R u+w "$work"; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
version=$(sed -n 's/^project(Quillnest VERSION \([0-9.]*\).*/\1/p' "$source/CMakeLists.txt")
arch=$(dpkg --print-architecture)

# The modes in the package are those the files got in the staging folder; Debian builds with this umask.
umask 022
made=$(cpack -G DEB -B "$work/out" --config "$build/CPackConfig.cmake" 2>&1) || fail "cpack: $made"
debs=$(cd "$work/out" && ls ./*.deb)
[ "$debs" = "./quillnest_${version}_$arch.deb" ] || fail "the package is named $debs"
deb=$work/out/quillnest_${version}_$arch.deb

# Paths and modes: every directory and program 0755, every other file 0644, all of them root's.
listing=$(dpkg-deb -c "$deb" | awk '{print $1, $2, $6}')
for file in usr/bin/quillnest usr/lib/quillnest/quillnest usr/share/applications/quillnest.desktop \
    usr/share/metainfo/quillnest.metainfo.xml \
    usr/share/icons/hicolor/scalable/apps/quillnest.svg usr/share/icons/hicolor/48x48/apps/quillnest.png \
    usr/share/icons/hicolor/256x256/apps/quillnest.png usr/share/man/ru/man1/quillnest.1.gz \
    usr/share/doc/quillnest/copyright usr/share/doc/quillnest/changelog.gz; do
    grep -q " \./$file\$" <<<"$listing" || fail "$file is not in the package"
done
modes='drwxr-xr-x root/root \./(.*/)?|-rw-r--r-- root/root \./.*[^/]'
modes+='|-rwxr-xr-x root/root \./usr/(bin/quillnest|lib/quillnest/quillnest)'
odd=$(grep -Ev "^($modes)\$" <<<"$listing" || true)
[ -z "$odd" ] || fail "wrong mode or owner: $odd"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = quillnest ] && [ "$(field Version)" = "$version" ] && [ "$(field Architecture)" = "$arch" ] ||
    fail "package, version or architecture: $(field Package) $(field Version) $(field Architecture)"
[[ "$(field Maintainer)" =~ ^[^\<]+\ \<[^@]+@[^\>]+\>$ ]] || fail "Maintainer: $(field Maintainer)"
[ "$(field Description | wc -l)" -ge 2 ] || fail "no long description: $(field Description)"
for library in libqt6widgets6 libjpeg62-turbo libhunspell-1.7-0; do
    [[ ", $(field Depends)," =~ ,\ $library[\ ,] ]] || fail "Depends lacks $library: $(field Depends)"
done
[ "$(field Recommends)" = "qt6-translations-l10n, hunspell-ru, hunspell-en-us" ] || fail "Recommends: $(field Recommends)"

# Warnings are allowed; errors, and lintian failing to run, are not.
status=0
report=$(lintian "$deb" 2>&1) || status=$?
echo "lintian:"
echo "${report:-(nothing)}"
[ $status -eq 0 ] || fail "lintian ended with $status"

dpkg-deb -x "$deb" "$work/root"
# What software centres read of the package: warnings are allowed (the id is not a reverse domain name,
# as the menu entry's is not); errors, and the validator failing to read it, are not.
said=$(appstreamcli validate --no-net "$work/root/usr/share/metainfo/quillnest.metainfo.xml" 2>&1) || true
echo "appstreamcli validate:"
echo "$said"
summary=$(tail -n 1 <<<"$said")
[[ $summary =~ Validation\ was\ successful || ( $summary =~ Validation\ failed:\ [a-z] && ! $summary =~ errors ) ]] ||
    fail "the AppStream metainfo is not valid"
entry=$work/root/usr/share/applications/quillnest.desktop
grep -qx 'Exec="/usr/bin/quillnest" %f' "$entry" || fail "the menu entry does not start /usr/bin/quillnest"
newest=$(zcat "$work/root/usr/share/doc/quillnest/changelog.gz" | head -1)
[ "$newest" = "quillnest ($version) unstable; urgency=medium" ] || fail "the changelog's newest entry is: $newest"

# The program's folder is read-only to the person, as in a system install. The superuser may write
# anywhere, so as root the program is started as nobody.
chmod a-w "$work/root/usr/lib/quillnest"
home=$work/home
config=$home/settings
mkdir "$home"
head -c 5128 /dev/zero >"$home/my.qnb"
as=()
if [ "$(id -u)" -eq 0 ]; then
    chmod 755 "$work"
    chown -R nobody: "$home"
    as=(setpriv --reuid=nobody --regid="$(id -g nobody)" --clear-groups --reset-env)
    "${as[@]}" test -w "$home/my.qnb" || fail "nobody cannot reach $work: give a TMPDIR that everyone may enter"
fi
# exec: $pid is the program itself, which the kill below must reach.
(cd "$home" && exec "${as[@]}" env HOME="$home" XDG_CONFIG_HOME="$config" QT_QPA_PLATFORM=offscreen \
    ASAN_OPTIONS=detect_leaks=0 "$work/root/usr/bin/quillnest" my.qnb >"$work/said" 2>&1) &
pid=$!
for _ in $(seq 300); do
    grep -qs "LastDiary=$home/my.qnb" "$config/quillnest/Settings.ini" && break
    kill -0 $pid 2>/dev/null || fail "the unpacked program ended early, saying: $(cat "$work/said")"
    sleep 0.1
done
grep -qs "LastDiary=$home/my.qnb" "$config/quillnest/Settings.ini" ||
    fail "the unpacked program did not keep its Settings.ini in \$XDG_CONFIG_HOME/quillnest: $(cat "$work/said")"
kill $pid
wait $pid 2>/dev/null || true
[ "$(stat -c %a "$config" "$config/quillnest")" = $'700\n700' ] || fail "the configuration folders are open to others"
elsewhere=$(find "$work" -name Settings.ini ! -path "$config/quillnest/Settings.ini")
[ -z "$elsewhere" ] || fail "Settings.ini was written elsewhere too: $elsewhere"
echo "packaged, checked and started"
