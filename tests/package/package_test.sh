#!/bin/sh
# The Debian package as a user gets it: built by cpack from the tree under test, judged by
# Debian's own tools, and, as root, installed with dpkg, used from /usr/bin and removed again.
#   package_test.sh build CPACK CPACK_CONFIG DEB_DIR
#   package_test.sh check DEB_DIR SOURCE_DIR STORE_TESTS
#   package_test.sh install DEB_DIR STORE_TESTS QT_PLUGINS    (exit 77, skipped, unless root)
# STORE_TESTS is the settings store's test program: it exports the backup these checks use.
set -u
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
die() {
    fail "$@"
    exit 1
}

mode=$1
if [ "$mode" = build ]; then
    rm -rf "$4"
    "$2" --config "$3" -B "$4" || die "cpack failed"
    set -- "$4"/*.deb
    [ $# -eq 1 ] && [ -f "$1" ] || die "cpack wrote $# packages, expected one .deb: $*"
    exit 0
elif [ "$mode" = check ]; then
    source_dir=$3
    store_tests=$4
elif [ "$mode" = install ]; then
    store_tests=$3
    plugins=$4
else
    die "unknown mode $mode"
fi

set -- "$2"/*.deb
[ $# -eq 1 ] && [ -f "$1" ] || die "no single package in $(dirname "$1") (velmora_package_build)"
deb=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tree=$work/tree
dpkg-deb -x "$deb" "$tree" || die "dpkg-deb -x $deb"
version=$(dpkg-deb -f "$deb" Version)
# The value of KEY in a desktop entry's [Desktop Entry] group.
entry_key() { sed -n "/^\[Desktop Entry\]/,/^\[/ s/^$1=//p" "$2"; }
types=$(sed -n 's/.*<mime-type type="\([^"]*\)".*/\1/p' "$tree"/usr/share/mime/packages/*.xml)

# Writes $1.reg, a backup of 83 awkward values exported by the store test, and $1.conf, the
# store it restored from it.
export_backup() {
    VELMORA_KEEP_BACKUP=$1 QT_QPA_PLATFORM=offscreen "$store_tests" \
        --gtest_filter='Store.EveryValueComesBackByteExactThroughTheFileQtAndABackup' \
        >"$work/store_tests.log" 2>&1 && [ -f "$1.reg" ] ||
        die "the store test exporting the backup failed: $(cat "$work/store_tests.log")"
}

if [ "$mode" = check ]; then
    # Calc, the CJK face the windows are laid out for, and the package of every linked library.
    depends=$(dpkg-deb -f "$deb" Depends | tr ',|' '\n\n' | sed 's/[(:].*//; s/^ *//; s/ *$//' |
        grep .)
    for package in libreoffice-calc fonts-noto-cjk; do
        echo "$depends" | grep -qx "$package" || fail "Depends lacks $package: $depends"
    done
    for program in "$tree"/usr/bin/*; do
        name=$(basename "$program")
        [ -f "$tree/usr/share/man/man1/$name.1.gz" ] || fail "no man page for $name"
        for soname in $(readelf -d "$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
            owners=$(dpkg-query -S "*/$soname" 2>/dev/null | grep "/$soname\$" |
                sed 's/: .*//' | tr ',' '\n' | sed 's/:.*//; s/^ *//')
            # Each line of $depends is a pattern.
            echo "$owners" | grep -qxF "$depends" ||
                fail "$name needs $soname from $(echo $owners), not in Depends: $(echo $depends)"
        done
    done
    gzip -dc "$tree/usr/share/doc/velmora/changelog.gz" | head -n 1 |
        grep -q "^velmora ($version) " || fail "the changelog does not start with version $version"

    out=$(lintian --fail-on error --tag-display-limit 0 "$deb" 2>&1) || fail "lintian: $out"
    printf 'lintian:\n%s\n' "$out" # the warnings left, for the log

    for entry in "$tree"/usr/share/applications/*.desktop; do
        out=$(desktop-file-validate "$entry" 2>&1) && [ -z "$out" ] || fail "$entry: $out"
        program=$(entry_key Exec "$entry" | cut -d ' ' -f 1)
        [ -x "$tree/usr/bin/$program" ] || fail "$entry: Exec=$program is no program of the package"
        icon=$(entry_key Icon "$entry")
        [ -z "$icon" ] || [ -n "$(find "$tree/usr/share/icons/hicolor" \
            \( -name "$icon.svg" -o -name "$icon.png" \))" ] || fail "no hicolor icon $icon"
        for type in $(entry_key MimeType "$entry" | tr ';' ' '); do
            echo "$types" | grep -qxF "$type" || fail "$entry: $type is defined nowhere"
        done
    done

    url_prefix=https://github.com/velmora/velmora/raw/main/
    for metainfo in "$tree"/usr/share/metainfo/*.metainfo.xml; do
        out=$(appstreamcli validate --no-net "$metainfo" 2>&1) || fail "appstreamcli: $out"
        launchables=$(sed -n 's/.*<launchable[^>]*>\(.*\)<\/launchable>.*/\1/p' "$metainfo")
        for launchable in $launchables; do
            [ -f "$tree/usr/share/applications/$launchable" ] || fail "no launchable $launchable"
        done
        release=$(sed -n 's/.*<release [^>]*version="\([^"]*\)".*/\1/p' "$metainfo" | head -n 1)
        [ "$release" = "$version" ] || fail "$metainfo: newest release $release, not $version"
        images=$(sed -n 's/.*<image[^>]*>\(.*\)<\/image>.*/\1/p' "$metainfo")
        [ -n "$images" ] || fail "$metainfo shows no screenshot"
        for url in $images; do
            [ -f "$source_dir/${url#"$url_prefix"}" ] || fail "$url is no committed file"
        done
    done

    # Which files a desktop offers to the restore program: the package's MIME type beside the
    # system's types (as installed) or in the user's data directory, as GIO (file managers)
    # types them. Only Velmora's backups, whatever their name or encoding, take it.
    files=$work/files
    mkdir "$files"
    export_backup "$work/backup"
    cp "$work/backup.reg" "$files/backup.reg"
    cp "$work/backup.reg" "$files/Velmora" # the export dialog's initial name
    iconv -f UTF-16 -t UTF-8 "$work/backup.reg" >"$files/backup-utf8.reg"
    {
        printf '\377\376'
        sed 's/VB and VBA Program Settings\\quillmere/Other/' "$files/backup-utf8.reg" |
            iconv -f UTF-8 -t UTF-16LE
    } >"$files/other.reg"
    printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software]\r\n' >"$files/regedit4.reg"
    printf 'WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1-5\n' >"$files/user.reg"
    printf 'a note about the office\n' >"$files/note.reg"
    gzip -c "$files/note.reg" >"$files/noise.reg"
    for layout in system user; do
        data=$work/$layout
        mkdir -p "$data/mime/packages" "$work/nowhere"
        cp "$tree"/usr/share/mime/packages/*.xml "$data/mime/packages/"
        dirs=/usr/share
        if [ $layout = system ]; then
            cp /usr/share/mime/packages/freedesktop.org.xml "$data/mime/packages/"
            dirs=$work/nowhere
        fi
        XDG_DATA_HOME=$data XDG_DATA_DIRS=$dirs update-mime-database "$data/mime" ||
            fail "update-mime-database $data/mime"
        for file in backup.reg Velmora backup-utf8.reg other.reg regedit4.reg user.reg note.reg \
            noise.reg; do
            expected=text/x-ms-regedit
            case $file in backup* | Velmora) expected=application/x-velmora-reg ;; esac
            type=$(XDG_DATA_HOME=$data XDG_DATA_DIRS=$dirs gio info -a standard::content-type \
                "$files/$file" | sed -n 's/.*standard::content-type: //p')
            [ "$type" = "$expected" ] || fail "gio, $layout layout: $file is $type, not $expected"
        done
    done
    exit $((failures > 0))
fi

if [ "$(id -u)" != 0 ]; then
    echo "installing a package needs root: skipped"
    exit 77
fi
status() { dpkg-query -W -f='${Status}' velmora 2>/dev/null; }
known() { [ -n "$(status)" ] && ! status | grep -q 'not-installed$'; }
if known; then
    echo "a velmora package is already on this machine ($(status)); it is left alone: skipped"
    exit 77
fi
# dpkg, waiting while another package tool holds its lock.
run_dpkg() {
    tries=0
    while out=$(dpkg "$@" 2>&1); rc=$?; [ $tries -lt 150 ]; do
        case $out in *"frontend lock"* | *"database area is locked"*) ;; *) break ;; esac
        tries=$((tries + 1))
        sleep 2
    done
    [ $rc -eq 0 ] || fail "dpkg $*: $out"
    return $rc
}
# The package goes however the test ends, so the machine is left as it was.
trap 'known && run_dpkg --purge velmora; rm -rf "$work"' EXIT

# Every path the package holds, and the MIME database's file of each type; which exist now.
{
    dpkg-deb --fsys-tarfile "$deb" | tar -t | sed 's|^\./|/|; s|/$||' | grep .
    for type in $types; do echo "/usr/share/mime/$type.xml"; done
} >"$work/paths"
grep -qx /usr/bin/velmora-restore "$work/paths" || die "no /usr/bin/velmora-restore in $deb"
while read -r path; do [ -e "$path" ] && echo "$path"; done <"$work/paths" >"$work/before"
cache=/usr/share/applications/mimeinfo.cache
export_backup "$work/backup"

run_dpkg -i "$deb" || exit 1
status | grep -q ' installed$' || die "not installed after dpkg -i: $(status)"
# The triggers of shared-mime-info and desktop-file-utils ran.
for type in $types; do
    [ -f "/usr/share/mime/$type.xml" ] || fail "the MIME database lacks $type"
done
for entry in "$tree"/usr/share/applications/*.desktop; do
    for type in $(entry_key MimeType "$entry" | tr ';' ' '); do
        grep -q "^$type=.*$(basename "$entry")" "$cache" ||
            fail "$cache: $type not opened with $entry"
    done
done
# The main program finds every library without the build tree's search path.
out=$(ldd /usr/bin/velmora 2>&1) && ! echo "$out" | grep -q 'not found' || fail "ldd: $out"
# The exported backup restored by /usr/bin/velmora-restore, its boxes answered OK, gives the
# store the store test restored from it.
mkdir "$work/config"
XDG_CONFIG_HOME=$work/config QT_QPA_PLATFORM=offscreen QT_PLUGIN_PATH=$plugins \
    QT_QPA_GENERIC_PLUGINS=velmoraanswer timeout 120 /usr/bin/velmora-restore "$work/backup.reg" \
    >"$work/restore.log" 2>&1 || fail "velmora-restore: $(cat "$work/restore.log")"
cmp "$work/config/VB and VBA Program Settings/quillmere.conf" "$work/backup.conf" ||
    fail "the installed restore gave another store: $(cat "$work/restore.log")"

run_dpkg -r velmora
! status | grep -q ' installed$' || fail "still installed after dpkg -r: $(status)"
while read -r path; do [ -e "$path" ] && echo "$path"; done <"$work/paths" >"$work/after"
diff "$work/before" "$work/after" >&2 || fail "dpkg -r did not leave the paths as they were"
! grep -q velmora "$cache" || fail "$cache still names velmora's entries"
run_dpkg --purge velmora
! known || fail "still known after purge: $(status)"
exit $((failures > 0))
