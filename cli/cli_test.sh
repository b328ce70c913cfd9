#!/usr/bin/env bash
# Drives the vellora tool through a whole story and its failures, checking exit
# status, output and the bytes that come back.
set -u
vellora=$1
build=${2:-}  # the build tree, for the installed manual page and completion
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
passed=0
failed=0

ok() {  # ok NAME COMMAND...: the command must succeed
  local name=$1; shift
  if "$@" >out.txt 2>err.txt; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL: $name"; cat err.txt; fi
}
fails() {  # fails NAME PATTERN COMMAND...: exit status 1 and PATTERN on stderr
  local name=$1 pattern=$2; shift 2
  "$@" >out.txt 2>err.txt
  local status=$?
  if [ "$status" -eq 1 ] && grep -q -- "$pattern" err.txt && [ "$(wc -l <err.txt)" -eq 1 ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1)); echo "FAIL: $name (status $status)"; cat err.txt
  fi
}
same() {  # same NAME FILE1 FILE2
  if cmp -s "$2" "$3"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL: $1"; fi
}
has() {  # has NAME PATTERN FILE
  if grep -q -- "$2" "$3"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL: $1"; cat "$3"; fi
}

head -c 300000 /dev/urandom >big.bin
printf 'first line\r\nsecond line\r\n' >lines.txt
printf 'x' >tiny.txt

ok create "$vellora" create doc.qxv
fails "create twice" "error -2147286960" "$vellora" create doc.qxv
ok tree-new "$vellora" tree doc.qxv
has "a new document has its storages" "── Images/" out.txt
has "property sets are shown escaped" '\\005SummaryInformation' out.txt
ok import-big "$vellora" import doc.qxv big.bin 'Data\Blobs\big'
ok import-lines "$vellora" import doc.qxv lines.txt Settings/Options
ok import-tiny "$vellora" import doc.qxv tiny.txt tiny
fails "import over a stream" "exists" "$vellora" import doc.qxv tiny.txt tiny
ok import-force "$vellora" import -f doc.qxv lines.txt tiny
fails "import a missing file" "error 76" "$vellora" import doc.qxv nothing.bin x

ok tree "$vellora" tree doc.qxv
has "tree lists storages" "Blobs/" out.txt
has "tree gives sizes" "big  300000" out.txt

ok export "$vellora" export doc.qxv 'Data\Blobs\big' big.out
same "export round trip" big.bin big.out
fails "export over a file" "exists" "$vellora" export doc.qxv 'Data\Blobs\big' big.out
fails "export a missing stream" "error -2147220990" "$vellora" export doc.qxv 'Data\nothing' x.out
[ ! -e x.out ] && passed=$((passed + 1)) || { failed=$((failed + 1)); echo "FAIL: failed export left a file"; }

"$vellora" cat doc.qxv settings/options >cat.out 2>err.txt
same "cat is case-insensitive and exact" lines.txt cat.out

ok lines "$vellora" lines doc.qxv 'Settings\Options'
printf 'first line\nsecond line\n' >lines.expected
same "lines prints every line" lines.expected out.txt
ok line-2 "$vellora" lines doc.qxv 'Settings\Options' 2
has "lines N prints that line" "^second line$" out.txt
fails "lines of a missing stream" "error -2147220990" "$vellora" lines doc.qxv 'Settings\Nothing'
ok mkdir "$vellora" mkdir doc.qxv 'Images\Icons'
fails "mkdir again" "exists" "$vellora" mkdir doc.qxv 'Images\Icons'
ok mkdir-p "$vellora" mkdir -p doc.qxv 'Images\Icons'
ok rename "$vellora" mv doc.qxv tiny small
ok move "$vellora" mv doc.qxv 'Settings\Options' 'Images\Icons\Options'
"$vellora" cat doc.qxv 'Images\Icons\Options' >moved.out 2>err.txt
same "moved stream keeps its bytes" lines.txt moved.out
ok rm "$vellora" rm doc.qxv Data
ok tree-after "$vellora" tree doc.qxv
if grep -q "── Data/" out.txt; then failed=$((failed + 1)); echo "FAIL: rm left Data"; else passed=$((passed + 1)); fi

ok export-tree "$vellora" export -r doc.qxv '\' outdir
same "tree export" lines.txt outdir/Images/Icons/Options
ok info "$vellora" info doc.qxv
has "info gives the version" "format version:    3 (512-byte sectors)" out.txt
ok check "$vellora" check doc.qxv
has "check is clean" "no problems found" out.txt

# Names no writer of ours makes, patched into the directory: the extraction must
# keep every file inside the folder it was given.
"$vellora" create --plain evil.qxv >/dev/null && "$vellora" import evil.qxv tiny.txt 'Qq\xx' >/dev/null \
  && "$vellora" import evil.qxv tiny.txt 'a1b' >/dev/null
python3 - <<'PY'
data = open("evil.qxv", "rb").read()
for old, new in (("Qq", ".."), ("xx", ".."), ("a1b", "a/b")):
    old_b, new_b = (old + "\0").encode("utf-16-le"), (new + "\0").encode("utf-16-le")
    assert data.count(old_b) >= 1, old  # stale copies may remain in free sectors
    data = data.replace(old_b, new_b)
open("evil.qxv", "wb").write(data)
PY
mkdir jail
# ".." becomes "\056." and "a/b" becomes "a\057b", as tree shows them.
ok export-hostile "$vellora" export -r evil.qxv '\' jail/out
[ -f 'jail/out/\056./\056.' ] && [ -f 'jail/out/a\057b' ] && [ "$(find . -type f -path '*jail*' | wc -l)" -eq 2 ] \
  && passed=$((passed + 1)) || { failed=$((failed + 1)); echo "FAIL: hostile names left the folder"; find jail; }

# A document's storages move across storages through the document layer, with
# everything they hold; a storage cannot go inside itself.
ok mkdir-deep "$vellora" mkdir doc.qxv 'Images\Icons\Empty'
ok move-storage "$vellora" mv doc.qxv 'Images\Icons' 'Settings\Icons'
"$vellora" cat doc.qxv 'Settings\Icons\Options' >moved.out 2>err.txt
same "a moved storage keeps its streams" lines.txt moved.out
ok tree-moved "$vellora" tree doc.qxv
has "a moved storage keeps its empty storages" "Empty/" out.txt
if grep -q '\\001' out.txt; then failed=$((failed + 1)); echo "FAIL: mkdir left its placeholder"; else passed=$((passed + 1)); fi
fails "a moved storage leaves its place" "error -2147220990" "$vellora" cat doc.qxv 'Images\Icons\Options'
fails "move into itself" "error -2147287039" "$vellora" mv doc.qxv Settings 'Settings\Icons\Settings'

# A compound file from another writer goes through the engine.
ok create-plain "$vellora" create --plain plain.qxv

# A document another program holds (here through an fcntl lock on one byte)
# is not replaced by create --force: the holder would go on writing into a
# file that nobody can reach any more.
"$vellora" create held.qxv >/dev/null
cp held.qxv held.before
python3 -c '
import fcntl, os, sys, time
f = open(sys.argv[1], "rb")
fcntl.lockf(f, fcntl.LOCK_SH, 1, 0)
open("held.ready", "w").close()
while not os.path.exists("held.done"):
    time.sleep(0.02)
' held.qxv &
holder=$!
for _ in $(seq 500); do [ -e held.ready ] && break; sleep 0.02; done
fails "create --force onto a held document" "error 75" "$vellora" create -f held.qxv
fails "create --force --plain onto a held document" "error -2147287008" "$vellora" create -f --plain held.qxv
same "a held document stays as it was" held.before held.qxv
touch held.done
wait "$holder"
ok create-force-free "$vellora" create -f held.qxv
ok import-plain "$vellora" import plain.qxv lines.txt 'A\B\lines'
ok tree-plain "$vellora" tree plain.qxv
if grep -q "SummaryInformation\|Images" out.txt; then failed=$((failed + 1)); echo "FAIL: plain file got a document's parts"; else passed=$((passed + 1)); fi
fails "export a missing stream of a plain file" "error -2147287038" "$vellora" export plain.qxv 'A\nothing' x.out
fails "pictures need a document" "error -2147220991" "$vellora" images list plain.qxv

# The bar is drawn only when a person watches both outputs.
ok import-big-again "$vellora" import doc.qxv big.bin 'Data\Blobs\big'
"$vellora" export doc.qxv 'Data\Blobs\big' quiet.out >out.txt 2>err.txt
[ ! -s err.txt ] && [ ! -s out.txt ] && passed=$((passed + 1)) || { failed=$((failed + 1)); echo "FAIL: export without a terminal printed"; }
script -qec "'$vellora' export doc.qxv 'Data\\Blobs\\big' tty.out" /dev/null >tty.log 2>&1
has "a terminal gets a progress bar" "100.0%" tty.log
script -qec "'$vellora' export doc.qxv 'Data\\Blobs\\big' tty2.out >/dev/null" /dev/null >tty2.log 2>&1
[ -f tty2.out ] && ! grep -q "%" tty2.log && passed=$((passed + 1)) \
  || { failed=$((failed + 1)); echo "FAIL: bar drawn with standard output redirected"; cat tty2.log; }

# Pictures: a real 3x2 PNG in, listed, and out byte for byte.
python3 - <<'PY'
import struct, zlib
def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
rows = b"".join(b"\0" + bytes([255, 0, 0] * 3) for _ in range(2))
png = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 3, 2, 8, 2, 0, 0, 0))
       + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))
open("dot.png", "wb").write(png)
PY
ok images-add "$vellora" images add doc.qxv dot.png
ok images-add-named "$vellora" images add doc.qxv dot.png Logo
fails "a picture name taken" "exists" "$vellora" images add doc.qxv dot.png LOGO
ok images-add-force "$vellora" images add -f doc.qxv dot.png LOGO
fails "a file that is no picture" "error 481" "$vellora" images add doc.qxv lines.txt
fails "a missing picture file" "error 53" "$vellora" images add doc.qxv nothing.png
ok images-list "$vellora" images list doc.qxv
has "list gives format and size" "^dot.png  PNG 3x2  $(wc -c <dot.png) bytes$" out.txt
[ "$(wc -l <out.txt)" -eq 2 ] && passed=$((passed + 1)) || { failed=$((failed + 1)); echo "FAIL: pictures listed"; cat out.txt; }
ok images-extract "$vellora" images extract doc.qxv logo dot.out
same "a picture comes back byte for byte" dot.png dot.out
fails "extract over a file" "exists" "$vellora" images extract doc.qxv Logo dot.out
fails "extract a missing picture" "error -2147220990" "$vellora" images extract doc.qxv Nothing x.png

# --force does not replace a file that another program holds locked (flock(2)
# here, a record lock below): the file stays as it was and nothing is left
# beside it. Free again, it is replaced.
printf 'held' >held.txt
cp held.txt held.exp
exec 9<held.txt
flock -n 9
fails "extract over a held file" "held.txt is locked by another program, so it is not replaced (error 75)" \
  "$vellora" images extract -f doc.qxv Logo held.txt
fails "export over a held file" "error 75" "$vellora" export -f doc.qxv 'Settings\Icons\Options' held.txt
exec 9<&-
same "a held file stays as it was" held.exp held.txt
[ -z "$(ls -d held.txt.part* 2>/dev/null)" ] && passed=$((passed + 1)) || { failed=$((failed + 1)); echo "FAIL: a refused export left its temporary"; }
ok export-tree-to-hold "$vellora" export -r doc.qxv Settings heldtree
cp heldtree/Icons/Options options.exp
lock_and_run() {  # lock_and_run FILE COMMAND...: COMMAND runs holding a record lock on FILE
  python3 -c 'import fcntl, os, sys
fd = os.open(sys.argv[1], os.O_RDWR)
os.set_inheritable(fd, True)
fcntl.lockf(fd, fcntl.LOCK_SH)
os.execv(sys.argv[2], sys.argv[2:])' "$@"
}
fails "export a tree over a held file" "heldtree/Icons/Options is locked by another program" \
  lock_and_run heldtree/Icons/Options "$vellora" export -r -f doc.qxv Settings heldtree
same "a held file in a tree stays as it was" options.exp heldtree/Icons/Options
ok "extract over a file no longer held" "$vellora" images extract -f doc.qxv Logo held.txt
same "a free file is replaced" dot.png held.txt

# Properties: shown, set (summary, document summary, user-defined), shown again.
ok props "$vellora" props doc.qxv
has "props lists the standard user properties" "^  PhoneNum:" out.txt
ok props-set "$vellora" props doc.qxv --set 'title=Quarterly report' --set COMPANY=ACME --set-user 'Client=Big=Co' \
  --set-user 'email=me@example.com'
ok props-again "$vellora" props doc.qxv
has "title set" "^  title:        Quarterly report$" out.txt
has "company set" "^  company:      ACME$" out.txt
has "user property added, = in its value" "^  Client:       Big=Co$" out.txt
has "a user property is replaced in place" "^  Email:        me@example.com$" out.txt
sed -n '/^User-defined/,$p' out.txt | tail -n +2 | sed 's/:.*//' | tr -d ' ' | tr '\n' ' ' >order.txt
has "user properties keep their positions" "^AppVersion Email WebPage PhoneNum Client $" order.txt
ok props-plain "$vellora" props plain.qxv --set author=Ann
ok props-plain-show "$vellora" props plain.qxv
has "a plain file takes properties too" "^  author:       Ann$" out.txt
fails "props: unknown key" "error 5" "$vellora" props doc.qxv --set colour=red
fails "props: no value" "error 5" "$vellora" props doc.qxv --set-user Client
ok check-after "$vellora" check doc.qxv

# Space comes back. 60 MB imported, imported again over itself (the new copy
# goes in beside the published one), removed: the save cuts the file after
# its data, tables included; compact then rewrites it without free sectors,
# keeping every element. Each size is printed for the record.
head -c 60000000 /dev/urandom >large.bin
"$vellora" create space.qxv >/dev/null
created=$(stat -c %s space.qxv)
size_between() {  # size_between NAME FILE LOW HIGH
  local size
  size=$(stat -c %s "$2")
  echo "size after $1: $size"
  if [ "$size" -ge "$3" ] && [ "$size" -le "$4" ]; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL: size after $1"; fi
}
"$vellora" tree space.qxv >tree-before.txt
ok import-large "$vellora" import space.qxv large.bin Large
size_between import space.qxv 60000000 61000000
ok import-large-again "$vellora" import -f space.qxv large.bin Large
size_between "import -f" space.qxv 120000000 122000000
ok rm-large "$vellora" rm space.qxv Large
size_between rm space.qxv 1 $((created + 4096))
ok compact "$vellora" compact space.qxv
has "compact says the sizes" "^space.qxv: [0-9]* bytes, [0-9]* before$" out.txt
size_between compact space.qxv 1 "$created"
"$vellora" tree space.qxv >tree-after.txt
same "compact keeps every element" tree-before.txt tree-after.txt
ok check-compacted "$vellora" check space.qxv
ok compact-a-document "$vellora" compact doc.qxv
ok check-compacted-document "$vellora" check doc.qxv
rm -f large.bin
fails "compact a missing file" "error -2147287038" "$vellora" compact nothing.qxv
fails "compact a file that is not a compound file" "error -2147286960" "$vellora" compact lines.txt
"$vellora" compact >out.txt 2>err.txt
[ $? -eq 2 ] && passed=$((passed + 1)) || { failed=$((failed + 1)); echo "FAIL: compact without a file"; }
# A document another program holds is not replaced by compact either.
cp space.qxv held.before
rm -f held.ready held.done
python3 -c '
import fcntl, os, sys, time
f = open(sys.argv[1], "rb")
fcntl.lockf(f, fcntl.LOCK_SH, 1, 0)
open("held.ready", "w").close()
while not os.path.exists("held.done"):
    time.sleep(0.02)
' space.qxv &
holder=$!
for _ in $(seq 500); do [ -e held.ready ] && break; sleep 0.02; done
fails "compact a held document" "error -2147287008" "$vellora" compact space.qxv
same "a held document is not compacted" held.before space.qxv
touch held.done
wait "$holder"

# Changes to a document are saved as a host saves them: the revision advances.
revision() { "$vellora" props doc.qxv | sed -n 's/^  revision: *//p'; }
before=$(revision)
ok import-counts "$vellora" import doc.qxv tiny.txt 'Settings\Counted'
[ "$(revision)" -gt "$before" ] && passed=$((passed + 1)) || { failed=$((failed + 1)); echo "FAIL: import did not save the document"; }
fails "a stream never replaces a storage" "exists as a storage" "$vellora" import -f doc.qxv tiny.txt Settings
fails "cat of a storage" "error -2147220990" "$vellora" cat doc.qxv Settings
fails "a picture name with a path" "error -2147286788" "$vellora" images add doc.qxv dot.png 'a\b'
: >empty.txt
ok import-empty "$vellora" import doc.qxv empty.txt Empty
ok export-empty "$vellora" export doc.qxv Empty empty.out
same "an empty stream exports as an empty file" empty.txt empty.out
ok export-doc-tree "$vellora" export -r doc.qxv Settings settings.out
same "a document's storage exports with its streams" tiny.txt settings.out/Counted
[ -d settings.out/Icons/Empty ] && passed=$((passed + 1)) || { failed=$((failed + 1)); echo "FAIL: empty storage not exported"; }

# Engine copies get their bar on a terminal too, from 8 MiB.
head -c 9000000 /dev/zero >nine.bin
script -qec "'$vellora' import plain.qxv nine.bin Nine" /dev/null >tty3.log 2>&1
has "an engine import draws a bar" "8.6/8.6 MiB" tty3.log
script -qec "stty cols 30; '$vellora' import -f plain.qxv nine.bin Nine" /dev/null >tty4.log 2>&1
[ "$(tr '\r' '\n' <tty4.log | sed 's/…/./g' | LC_ALL=C awk '{ if (length($0) > n) n = length($0) } END { print n }')" -le 30 ] \
  && grep -q "100.0%" tty4.log && passed=$((passed + 1)) \
  || { failed=$((failed + 1)); echo "FAIL: the bar is wider than the terminal"; cat tty4.log; }
# So does an import into a document, which the library makes in one call; a
# redirected standard error gets none.
script -qec "stty cols 40; '$vellora' import doc.qxv nine.bin Nine" /dev/null >tty5.log 2>&1
has "a document import draws a bar" "100.0% 8.6/8.6 MiB" tty5.log
[ "$(tr '\r' '\n' <tty5.log | sed 's/…/./g' | LC_ALL=C awk '{ if (length($0) > n) n = length($0) } END { print n }')" -le 40 ] \
  && passed=$((passed + 1)) || { failed=$((failed + 1)); echo "FAIL: the import's bar is wider than the terminal"; cat tty5.log; }
script -qec "'$vellora' import -f doc.qxv nine.bin Nine 2>quiet.err" /dev/null >tty6.log 2>&1
! grep -q "%" tty6.log && [ ! -s quiet.err ] && passed=$((passed + 1)) \
  || { failed=$((failed + 1)); echo "FAIL: bar drawn with standard error redirected"; cat tty6.log quiet.err; }
ok cat-nine "$vellora" cat doc.qxv Nine
same "the document import is whole" nine.bin out.txt
ok tree-plain-after "$vellora" tree plain.qxv
if grep -q "SummaryInformation" out.txt && ! grep -q "Images" out.txt; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL: plain file after props"; cat out.txt; fi

# Salvage: a sound file comes back whole (status 0), a cut one in part (status 1).
ok salvage-sound "$vellora" salvage doc.qxv saved.qxv
has "salvage counts the streams" "streams: .* whole, 0 partial, 0 lost" out.txt
has "the report lists each stream" "^whole  300000 of 300000 bytes  Data.Blobs.big$" saved.qxv.report.txt
ok salvage-export "$vellora" export saved.qxv 'Data\Blobs\big' big.saved
same "a salvaged stream comes back byte for byte" big.bin big.saved
head -c 200000 doc.qxv >cut.qxv
"$vellora" check cut.qxv >out.txt 2>&1
has "check points to salvage" "vellora salvage cut.qxv OUT" out.txt
"$vellora" salvage --to-folder cut.qxv cut.out >out.txt 2>err.txt
[ $? -eq 1 ] && [ -d cut.out ] && [ -f cut.out.report.txt ] && passed=$((passed + 1)) || { failed=$((failed + 1)); echo "FAIL: salvage of a cut file"; cat out.txt err.txt; }
cp doc.qxv header.qxv
printf '\005' | dd of=header.qxv bs=1 seek=26 conv=notrunc 2>/dev/null
"$vellora" check header.qxv >out.txt 2>&1
[ $? -eq 1 ] && passed=$((passed + 1)) || { failed=$((failed + 1)); echo "FAIL: check of a damaged header"; cat out.txt; }
has "check points to salvage past a damaged header" "vellora salvage header.qxv OUT" out.txt
ok salvage-header "$vellora" salvage header.qxv header.out
for args in "" "cut.qxv" "cut.qxv a b" "--frob cut.qxv a"; do
  # shellcheck disable=SC2086
  "$vellora" salvage $args >/dev/null 2>&1
  [ $? -eq 2 ] && passed=$((passed + 1)) || { failed=$((failed + 1)); echo "FAIL: salvage usage error: $args"; }
done
# Crafted files (craft.py writes them): a tree 100,000 deep, names no path can
# spell, names that would move the cursor, a mini stream shorter than its use.
python3 "$here/craft.py" deep deep.qxv 100000
ok tree-deep "$vellora" tree deep.qxv
has "a deep tree is listed to its bottom" '\[100001\] └── s  5$' out.txt
[ "$(wc -c <out.txt)" -lt 20000000 ] && passed=$((passed + 1)) || { failed=$((failed + 1)); echo "FAIL: tree output not linear"; }
ok check-deep "$vellora" check deep.qxv
# A folder tree as deep costs the file system minutes to make and remove; the
# walk that export shares with tree and check is the same at 2,000 levels.
python3 "$here/craft.py" deep deep.qxv 2000
ok export-deep "$vellora" export -r deep.qxv / deep.out
[ "$(find deep.out -type f -name s -execdir cat {} \;)" = "deep!" ] && passed=$((passed + 1)) \
  || { failed=$((failed + 1)); echo "FAIL: deep export"; }
rm -rf deep.out deep.qxv

python3 "$here/craft.py" names names.qxv
ok tree-names "$vellora" tree names.qxv
has "a stream named x\\y is itself, with its own size" '── x\\134y  12$' out.txt
has "an empty name is shown" '^├── \\000  10$' out.txt
has "a name of length 0 is shown" '^│   ├── \\000  13$' out.txt
has "/ : ! are escaped" 'a\\057b  5' out.txt
has "colon" 'c\\072d  5' out.txt
has "bang" 'e\\041f  4' out.txt
has "a CSI is escaped" 'csi\\u009B2J  3' out.txt
has "a right-to-left override is escaped" 'rlo\\u202Etxt.exe  3' out.txt
if LC_ALL=C grep -q $'\xc2\x9b\|\xe2\x80\xae' out.txt; then failed=$((failed + 1)); echo "FAIL: raw cursor movers"; else passed=$((passed + 1)); fi
"$vellora" cat names.qxv 'x\134y' >c1.out 2>err.txt; printf 'bytes of x\\y' >c1.exp; same "cat of x\\y" c1.exp c1.out
"$vellora" cat names.qxv 'x/y' >c2.out 2>err.txt; printf 'bytes of y' >c2.exp; same "cat of x/y" c2.exp c2.out
"$vellora" cat names.qxv '\000' >c3.out 2>err.txt; printf 'empty name' >c3.exp; same "cat of the empty name" c3.exp c3.out
"$vellora" cat names.qxv 'rlo\u202etxt.exe' >c4.out 2>err.txt; printf 'rlo' >c4.exp; same "cat through \\u" c4.exp c4.out
ok list-names "$vellora" tree --list names.qxv
has "the listing escapes names" '^x\\134y	stream	12$' out.txt
has "the listing gives paths" '^x/\\000	stream	13$' out.txt
has "the listing gives storages" '^x	storage	0$' out.txt
"$vellora" check names.qxv >out.txt 2>err.txt
[ $? -eq 1 ] && [ "$(grep -c 'has an empty name' out.txt)" -eq 2 ] && [ "$(grep -c 'names cannot hold' out.txt)" -eq 4 ] \
  && passed=$((passed + 1)) || { failed=$((failed + 1)); echo "FAIL: check of forbidden names"; cat out.txt; }
ok export-names "$vellora" export -r names.qxv / names.out
same "export of x\\y" c1.exp 'names.out/x\134y'
same "export of x/y" c2.exp names.out/x/y
same "export of the empty name" c3.exp 'names.out/\000'
fails "no new element named x\\y" "error -2147286788" "$vellora" import names.qxv tiny.txt 'x\134y2'
ok rm-literal "$vellora" rm names.qxv 'x\134y'
"$vellora" cat names.qxv 'x/y' >c2.out 2>err.txt; same "rm of x\\y leaves x/y" c2.exp c2.out

python3 "$here/craft.py" mini mini.qxv
"$vellora" cat mini.qxv first >m.out 2>err.txt; [ "$(wc -c <m.out)" -eq 64 ] && passed=$((passed + 1)) || { failed=$((failed + 1)); echo "FAIL: mini first"; }
fails "a stream past the mini stream's size" "error -2147286775" "$vellora" cat mini.qxv second
fails "an export of it leaves nothing" "error -2147286775" "$vellora" export -r mini.qxv / mini.out
[ -z "$(ls -d mini.out* 2>/dev/null)" ] && passed=$((passed + 1)) || { failed=$((failed + 1)); echo "FAIL: partial export left"; ls -d mini.out*; }
"$vellora" check mini.qxv >out.txt 2>err.txt
[ $? -eq 1 ] && grep -q "stream second: " out.txt && passed=$((passed + 1)) || { failed=$((failed + 1)); echo "FAIL: check mini"; cat out.txt; }

head -c 4096 /dev/urandom >junk.qxv
fails "open a non-document" "error -2147286" "$vellora" tree junk.qxv
fails "missing document" "error" "$vellora" tree nothing.qxv
fails "info on a non-document" "error -2147286" "$vellora" info junk.qxv
fails "check on a non-document" "error -2147286" "$vellora" check junk.qxv
# The conventions of coreutils: usage errors exit 2 with a hint, failures 1,
# "-" for standard input and output, write errors on standard output fail.
usage() {  # usage NAME COMMAND...: exit status 2, "vellora: " and a hint on stderr
  local name=$1; shift
  "$@" >out.txt 2>err.txt
  local status=$?
  if [ "$status" -eq 2 ] && grep -q '^vellora: ' err.txt && grep -q "vellora --help" err.txt; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1)); echo "FAIL: $name (status $status)"; cat err.txt
  fi
}
usage "unknown command" "$vellora" frobnicate doc.qxv
usage "missing argument" "$vellora" tree
usage "unknown option" "$vellora" tree --frob doc.qxv
usage "help of no command" "$vellora" help frobnicate
# A bad line number names the range as a person writes it, never as a
# floating-point number in full.
for n in 0 -5 abc 1.5 1e400 99999999999999999999; do
  usage "line number $n" "$vellora" lines doc.qxv Settings/Counted "$n"
  has "line number $n is said readably" "whole number from 1 to 2147483647, not $n" err.txt
  if grep -q '[0-9]\{30\}\|\.000000' err.txt; then failed=$((failed + 1)); echo "FAIL: line number $n"; cat err.txt; fi
done
ok version "$vellora" --version
has "the version" "^vellora [0-9]" out.txt
ok help-export "$vellora" help export
has "help COMMAND gives that command's options" "recursive" out.txt
for command in "tree doc.qxv" "cat doc.qxv Settings/Counted" "props doc.qxv" "info doc.qxv" "tree --list doc.qxv"; do
  # shellcheck disable=SC2086
  "$vellora" $command >/dev/full 2>err.txt
  status=$?
  [ "$status" -eq 1 ] && grep -q "standard output" err.txt && passed=$((passed + 1)) \
    || { failed=$((failed + 1)); echo "FAIL: $command >/dev/full (status $status)"; cat err.txt; }
done
"$vellora" import doc.qxv - 'Settings\FromStdin' <big.bin >out.txt 2>err.txt \
  && "$vellora" export doc.qxv Settings/FromStdin - >stdin.out 2>err.txt
same "import - and export - into a document" big.bin stdin.out
printf 'piped' | "$vellora" import plain.qxv - piped >out.txt 2>err.txt && "$vellora" export plain.qxv piped - >piped.out
printf 'piped' >piped.exp; same "import - and export - in a plain file" piped.exp piped.out
# A name tree shows is typed back as shown, with either separator.
ok tree-escapes "$vellora" tree doc.qxv
name=$(sed -n 's/^[├└]── \(\\005SummaryInformation\)  [0-9]*$/\1/p' out.txt)
"$vellora" cat doc.qxv "$name" >si1.out 2>err.txt && "$vellora" cat doc.qxv "/$name" >si2.out 2>>err.txt
[ -n "$name" ] && [ -s si1.out ] && passed=$((passed + 1)) || { failed=$((failed + 1)); echo "FAIL: escape typed back"; cat err.txt; }
same "either separator" si1.out si2.out
ok lines-slash "$vellora" lines doc.qxv Settings/Icons/Options 2
has "lines takes / too" "^second line$" out.txt

# Messages that say what is wrong.
fails "a missing folder is named" "nodir/x.qxv: the folder nodir does not exist" "$vellora" create nodir/x.qxv
fails "a missing folder, opening" "the folder nodir does not exist" "$vellora" tree nodir/x.qxv
fails "a missing folder, exporting" "nodir/x.out: the folder nodir does not exist (error 76)" \
  "$vellora" export doc.qxv Settings/Counted nodir/x.out
fails "a missing folder, exporting a tree" "the folder nodir/a does not exist" "$vellora" export -r doc.qxv / nodir/a/b
fails "a line past the end" "Settings/Counted: there is no line 99, it has 1 line (error 9)" \
  "$vellora" lines doc.qxv Settings/Counted 99
mkdir folder
fails "export onto a folder says so" "folder is a folder, not a file" "$vellora" export doc.qxv Settings/Counted folder
fails "export -f onto a folder says so" "folder is a folder, not a file" "$vellora" export -f doc.qxv Settings/Counted folder

# A file name that is not UTF-8 names the same bytes on disk.
ok create-latin1 "$vellora" create $'new\xe9.qxv'
[ -f $'new\xe9.qxv' ] && passed=$((passed + 1)) || { failed=$((failed + 1)); echo "FAIL: the name lost its bytes"; ls; }
ok tree-latin1 "$vellora" tree $'new\xe9.qxv'
has "a document under a name that is not UTF-8 opens" "── Images/" out.txt
ok import-latin1 "$vellora" import $'new\xe9.qxv' tiny.txt Latin
ok export-latin1 "$vellora" export $'new\xe9.qxv' Latin $'out\xff'
same "export to a name that is not UTF-8" tiny.txt $'out\xff'

# Run from the build tree, the tool finds the modules built there without
# being told where they are: German dates need the intl module, and a display
# that cannot be opened is no reason to say that the windows module is missing.
if [ -n "$build" ] && [ -f "$build/vellora2/vellora2-intl.so" ]; then
  env -u VELLORA2_INTL_MODULE LANG=C "$vellora" properties doc.qxv >english.txt 2>&1
  env -u VELLORA2_INTL_MODULE LANG=de_DE.UTF-8 "$vellora" properties doc.qxv >german.txt 2>&1
  cmp -s english.txt german.txt && { failed=$((failed + 1)); echo "FAIL: the intl module was not found"; } \
    || passed=$((passed + 1))
fi
if [ -n "$build" ] && [ -f "$build/vellora2/vellora2-gtk.so" ]; then
  env -u VELLORA2_GTK_MODULE -u WAYLAND_DISPLAY DISPLAY=:4242 "$vellora" properties doc.qxv >out.txt 2>err.txt
  grep -q "no windows" err.txt && { failed=$((failed + 1)); echo "FAIL: the windows module was not found"; cat err.txt; } \
    || passed=$((passed + 1))
fi

# The manual page and the completion, installed as a package would install them.
if [ -n "$build" ]; then
  ok install-docs cmake --install "$build" --component vellora_docs --prefix "$work/prefix"
  page="$work/prefix/share/man/man1/vellora.1"
  MANWIDTH=200 man -l "$page" >man.txt 2>err.txt && [ ! -s err.txt ] && passed=$((passed + 1)) \
    || { failed=$((failed + 1)); echo "FAIL: the manual page does not render"; cat err.txt; }
  "$vellora" --help | sed -n '/^Subcommands:/,$s/^  \([a-z]*\) .*/\1/p' >commands.txt
  [ "$(wc -l <commands.txt)" -ge 17 ] && passed=$((passed + 1)) || { failed=$((failed + 1)); echo "FAIL: help lists the commands"; }
  while read -r command; do
    has "the manual page has $command" "^   $command$" man.txt
  done <commands.txt
  has "the manual page has images' own commands" "^   images extract$" man.txt
  has "the manual page gives a command's options" "^ *-r,--recursive" man.txt
  complete_line() {  # complete_line WORDS...: what the installed completion offers for the last word
    bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _vellora; printf "%s\n" "${COMPREPLY[@]}"' \
      _ "$work/prefix/share/bash-completion/completions/vellora" "$@"
  }
  complete_line vellora '' | sort >offered.txt
  sort commands.txt >expected.txt
  [ -z "$(comm -23 expected.txt offered.txt)" ] && passed=$((passed + 1)) \
    || { failed=$((failed + 1)); echo "FAIL: completion misses commands"; comm -23 expected.txt offered.txt; }
  [ "$(complete_line vellora ex)" = export ] && passed=$((passed + 1)) || { failed=$((failed + 1)); echo "FAIL: completion of ex"; }
  [ "$(complete_line vellora images ex)" = extract ] && passed=$((passed + 1)) || { failed=$((failed + 1)); echo "FAIL: images ex"; }
  complete_line vellora export --r >offered.txt
  has "completion offers a command's options" "^--recursive$" offered.txt
  complete_line vellora tree doc.q >offered.txt
  has "completion offers file names" "^doc.qxv$" offered.txt
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
