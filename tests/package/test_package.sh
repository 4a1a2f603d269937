#!/usr/bin/env bash
# Makes the Octave package with tools/package.sh, checks what it holds, then
# installs it with pkg into a temporary prefix and package list (nothing goes
# to ~/.local or ~/octave), loads it, runs check_mexsets.m on the installed
# functions, and uninstalls it. Exits non-zero at the first failure.
# Usage: bash test_package.sh ROOT [BUILD]
set -euo pipefail
root=$(cd "$1" && pwd)
here=$root/tests/package
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL test_package: $*" >&2; exit 1; }

source "$root/tools/project.sh"
version=$(mexsets_version "$root")
name=mexsets-$version
modules=$(mexsets_modules "$root")
[ -n "$modules" ] || fail "modules/functions.txt lists no function"

tarball=$(bash "$root/tools/package.sh" "$tmp/out")
[ "$tarball" = "$tmp/out/$name.tar.gz" ] || fail "package.sh printed '$tarball'"
[ -s "$tarball" ] || fail "no $tarball"

# The same sources give the same bytes.
mkdir "$tmp/again"
bash "$root/tools/package.sh" "$tmp/again" >/dev/null
cmp -s "$tarball" "$tmp/again/$name.tar.gz" || fail "two packagings of one tree differ"

# What the tarball holds: one top folder, the package files, every function's
# sources (not its Python binding or wrapper) and help, the toolbox index
# and the whole demo.
tar -tzf "$tarball" | sed 's|/$||' | sort > "$tmp/listing"
grep -v "^$name\(/\|$\)" "$tmp/listing" && fail "entries outside $name/"
has() { grep -qx "$name/$1" "$tmp/listing" || fail "no $1 in the package"; }
for f in DESCRIPTION INDEX COPYING src/Makefile inst/Contents.m; do has "$f"; done
for m in $modules; do
  has "inst/$m.m"
  has "src/modules/$m/${m}_contract.hpp"
  for f in "$root/modules/$m"/*.cpp "$root/modules/$m"/*.hpp; do
    [ "${f##*/}" = "${m}_python.cpp" ] || has "src/modules/$m/${f##*/}"
  done
done
grep -E "_python\.cpp$|\.py$" "$tmp/listing" && fail "Python files in the package"
[ "$(grep -c "^$name/src/modules/[^/]*$" "$tmp/listing")" -eq "$(echo "$modules" | wc -w)" ] ||
  fail "src/modules/ holds other folders than the functions of modules/functions.txt"
for f in "$root/include/mexsets"/*.hpp; do has "src/include/mexsets/${f##*/}"; done
for f in "$root/common"/*.?pp; do has "src/common/${f##*/}"; done
while IFS= read -r -d '' f; do
  has "inst/${f#"$root/demo/"}"
done < <(find "$root/demo" -name '*.m' -type f -print0)
grep -E "\.(mex|oct|o|so)$" "$tmp/listing" && fail "built files in the package"

tar -C "$tmp" -xzf "$tarball"
field() { sed -n "s/^$1: *//p" "$tmp/$name/DESCRIPTION"; }
[ "$(field Name)" = mexsets ] || fail "DESCRIPTION Name is '$(field Name)'"
[ "$(field Version)" = "$version" ] || fail "DESCRIPTION Version '$(field Version)', CMakeLists.txt $version"
[[ $(field Date) =~ ^[0-9]{4}-[0-9]{2}-[0-9]{2}$ ]] || fail "DESCRIPTION Date '$(field Date)'"
[ "$(field License)" = BSD-2-Clause ] || fail "DESCRIPTION License '$(field License)'"
[ "$(field Depends)" = "octave (>= 6.0.0)" ] || fail "DESCRIPTION Depends '$(field Depends)'"
for f in Author Maintainer Title Description SystemRequirements BuildRequires; do
  [ -n "$(field $f)" ] || fail "DESCRIPTION has no $f"
done
grep -q '@[A-Z]*@' "$tmp/$name/DESCRIPTION" && fail "DESCRIPTION keeps a placeholder"
cmp -s "$root/COPYING" "$tmp/$name/COPYING" || fail "COPYING differs from the repository's"
head -1 "$tmp/$name/INDEX" | grep -q '^mexsets >> ' || fail "INDEX does not start with 'mexsets >> '"
for m in $modules; do
  grep -qx " $m" "$tmp/$name/INDEX" || fail "INDEX does not list $m"
done
# Headings and functions as in Contents.m.
tail -n +2 "$tmp/$name/INDEX" | grep -v '^ ' | grep -vx Demonstrations > "$tmp/headings" || true
[ -s "$tmp/headings" ] || fail "INDEX has no category headings"
while IFS= read -r heading; do
  grep -qx "% $heading" "$root/modules/Contents.m" || fail "INDEX heading '$heading' is not in Contents.m"
done < "$tmp/headings"
for m in $(sed -n 's/^%   \([a-z_0-9]*\) *- .*/\1/p' "$root/modules/Contents.m"); do
  grep -qx " $m" "$tmp/$name/INDEX" || fail "INDEX does not list $m of Contents.m"
done
for f in "$root"/demo/*.m; do
  d=$(basename "$f" .m)
  [ "$(grep -cx " $d" "$tmp/$name/INDEX")" -eq 1 ] || fail "INDEX does not list the demo $d once"
done

# Without the Boost headers the build stops with one clear message.
cat > "$tmp/fake_mkoctfile" <<'EOF'
#!/bin/sh
# Answers -p CXX with a compiler that searches no system include folder.
[ "$1" = -p ] && [ "$2" = CXX ] && { echo "g++ -nostdinc -nostdinc++"; exit 0; }
exit 1
EOF
chmod +x "$tmp/fake_mkoctfile"
if make -s -C "$tmp/$name/src" MKOCTFILE="$tmp/fake_mkoctfile" >"$tmp/make.out" 2>&1; then
  fail "make succeeded without the Boost headers"
fi
grep -q "Boost headers (boost/multi_array.hpp) were not found" "$tmp/make.out" ||
  { cat "$tmp/make.out"; fail "no Boost message from make"; }
[ -z "$(find "$tmp/$name/inst" -name '*.oct' -o -name '*.mex')" ] || fail "make built modules without Boost"

# Install, load, use, unload, uninstall. Any error exits Octave with 1.
octave-cli --norc --quiet --no-window-system --eval "
  function state = list_state(file)
    % What a package list holds and when it was last written ({} if absent).
    state = {};
    [info, err] = stat(file);
    if err == 0
      state = {info.mtime, fileread(file)};
    end
  end
  tmp = '$tmp';

  % The package lists as they were: contents and modification time (reading
  % a list may update its access time, here or in a test running beside).
  lists = {pkg('global_list'), pkg('local_list')};
  untouched = cellfun(@list_state, lists, 'UniformOutput', false);
  pkg('prefix', [tmp '/pkg'], [tmp '/arch']);
  pkg('local_list', [tmp '/octave_packages']);
  pkg('install', '-local', '$tarball');
  installed = pkg('list', 'mexsets');
  if numel(installed) ~= 1 || ~strcmp(installed{1}.version, '$version')
    error('pkg list does not show mexsets $version after pkg install');
  end
  pkgdir = installed{1}.dir;
  if ~strncmp(pkgdir, [tmp '/pkg/'], numel(tmp) + 5)
    error('mexsets was installed into %s, not under %s/pkg', pkgdir, tmp);
  end
  pkg('load', 'mexsets');
  addpath('$here');
  addpath('$root/tests/octave');
  check_mexsets(pkgdir, function_list('$root/modules/functions.txt'));
  files = dir('$root/demo/*.m');
  for k = 1:numel(files)
    [~, demo] = fileparts(files(k).name);
    if ~strcmp(which(demo), fullfile(pkgdir, files(k).name))
      error('demo %s resolves to \"%s\", not into the package', demo, which(demo));
    end
  end
  if ~strcmp(which('Contents'), fullfile(pkgdir, 'Contents.m'))
    error('Contents resolves to \"%s\", not into the package', which('Contents'));
  end
  r = mexsets_demo('size', [48 64], 'regions', 30, 'quiet', true, 'png', [tmp '/demo.png']);
  if ~exist([tmp '/demo.png'], 'file') || isempty(r.kept)
    error('mexsets_demo from the package wrote no picture or kept no candidate');
  end
  clear mex;
  pkg('unload', 'mexsets');
  if ~isempty(which('score_subsets'))
    error('score_subsets still found after pkg unload: %s', which('score_subsets'));
  end
  pkg('uninstall', '-local', 'mexsets');
  if ~isempty(pkg('list', 'mexsets')) || exist(pkgdir, 'dir')
    error('mexsets still installed after pkg uninstall');
  end
  for k = 1:numel(lists)
    if ~isequal(list_state(lists{k}), untouched{k})
      error('the package list %s changed', lists{k});
    end
  end
" 2> >(grep -v 'ignoring const execution_exception' >&2) || fail "Octave reported an error"
echo "PASS test_package ($name.tar.gz built, installed, checked and uninstalled)"
