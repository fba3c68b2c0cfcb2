# The Windows installers under Wine. Sourced by scripts/wine-test.sh, which supplies winpath,
# problem, use_bits, run_script, vkstring_calls, $root, $stage, $log, $clsid, $libid and $iid.
#
# msi_generator_tests: the registry generator's own tests (tests/wine/test_registry_wxs.py).
#
# msi_tables <bits>: the package's tables (msiinfo) against what the generator derives from the
# registration script and the interface description, its files, version and upgrade code.
#
# msi_stage <bits>, for a package whose bitness Wine can run here:
#   1. in a fresh prefix, `msiexec /i … /qn` installs it; the files under Program Files are the
#      built ones;
#   2. the VBScript and JScript suites and vkstring.exe run against the installed module (the
#      prefix never saw regsvr32, and the comparison below shows the class pointing into
#      Program Files);
#   3. the package built again as the next patch version upgrades it in place (msi_upgrade);
#   4. in another fresh prefix, the module is registered with regsvr32; the keys of the class,
#      the ProgIDs, the type library and the interface, in both registry views, must be the same
#      on both sides, the module's path apart (tests/wine/registry_compare.py prints them);
#   5. `msiexec /x … /qn` removes it: the files and the installation folder are gone, no key is
#      left in either view, and, with the prefix shut down, its registry files and drive hold no
#      trace of either version (nor does the installer's cache).

# The package of a bitness, named with the version its build was configured with.
msi_version() { sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$root/build-win$1/CMakeCache.txt"; }
msi_package() { echo "$root/build-win$1/VkString-$(msi_version "$1")-win$1.msi"; }

msi_generator_tests() {
  echo "== the installers' registry generator"
  local code=0
  python3 "$root/tests/wine/test_registry_wxs.py" >"$log/msi-generator-tests.txt" 2>&1 || code=$?
  sed 's/^/    /' "$log/msi-generator-tests.txt"
  ((code == 0)) || problem "the installers' registry generator fails its tests"
}

msi_tables() {
  local bits=$1 package
  package=$(msi_package "$bits")
  echo "== $bits-bit installer: tables"
  if [[ ! -f $package ]]; then
    problem "$package was not built"
    return
  fi
  python3 "$root/tests/wine/check_msi_tables.py" "$package" "$bits" "$root/component/VelkorString.rgs" \
    "$root/component/VelkorString.idl" "$(msi_version "$bits")" >"$log/msi$bits-tables.txt" 2>&1 || true
  sed 's/^/    /' "$log/msi$bits-tables.txt"
  [[ $(tail -n1 "$log/msi$bits-tables.txt") == "DONE failures=0" ]] || problem "the $bits-bit installer's tables are not as expected"
}

# fresh_prefix <folder>: a new Wine prefix there, its server kept up until stop_prefix (or the
# stage's end: wine-test.sh stops the server of every prefix in wine_prefixes).
fresh_prefix() {
  export WINEPREFIX=$1
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  wine_prefixes+=("$WINEPREFIX")
  timeout 30 wineserver -p
  timeout 180 wineboot --init >"$log/msi-wineboot.txt" 2>&1 || { cat "$log/msi-wineboot.txt"; return 1; }
  timeout 60 wine cmd /c exit >/dev/null 2>&1
}

# stop_prefix: shuts the current prefix's server down, which writes its registry files.
stop_prefix() {
  timeout 30 wineserver -k >/dev/null 2>&1 || true
  timeout 30 wineserver -w >/dev/null 2>&1 || true
}

# The keys registration writes, each exported from both registry views into <folder> as
# <view>-<n>.reg; a key missing from a view gives no file.
msi_export_keys() {
  local folder=$1 view n key
  mkdir -p "$folder"
  for view in 64 32; do
    n=0
    for key in "HKCR\\CLSID\\$clsid" 'HKCR\VkString.VkString' 'HKCR\VkString.VkString.1' \
               "HKCR\\TypeLib\\$libid" "HKCR\\Interface\\$iid"; do
      n=$((n + 1))
      timeout 60 wine reg export "$key" "$(winpath "$folder/$view-$n.reg")" /reg:$view /y \
        >"$folder/$view-$n.txt" 2>&1 || true
    done
  done
}

# The export files of a folder as registry_compare.py arguments (<view>:<file>), into the
# array msi_exports.
msi_exports_of() {
  local f
  msi_exports=()
  for f in "$1"/*.reg; do
    [[ -e $f ]] && msi_exports+=("$(basename "$f" | cut -d- -f1):$f")
  done
}

# msi_upgrade <bits> <package> <folder>: the same source built again as the next patch version
# (as a later release would be) must replace the installed package, not join it: one product of
# this bitness in the list of installed programs, one package in the installer's cache, the
# module still created. Sets msi_upgraded to the new package, which the rest of the stage removes.
msi_upgrade() {
  local bits=$1 package=$2 folder=$3 version next arch=x64 code
  version=$(msi_version "$bits")
  next=${version%.*}.$((${version##*.} + 1))
  [[ $bits = 64 ]] || arch=x86
  msi_upgraded=$folder/VkString-$next-win$bits.msi
  echo "== $bits-bit installer: upgrade to $next (the same upgrade code)"
  (cd "$root/build-win$bits" && wixl --arch "$arch" -I msi -o "$msi_upgraded" -D Bits="$bits" -D Version="$next" \
    -D Module=VelkorString.dll -D Client=vkstring.exe -D Readme=msi/README.md -D License=msi/LICENSE.txt \
    "$root/tools/msi/VkString.wxs") >"$log/msi$bits-upgrade-build.txt" 2>&1 || {
    problem "wixl could not build the $next package: $(cat "$log/msi$bits-upgrade-build.txt")"
    msi_upgraded=$package
    return
  }
  code=0
  timeout 180 wine msiexec /i "$(winpath "$msi_upgraded")" /qn /l*v "$(winpath "$log/msi$bits-upgrade.log")" \
    >"$log/msi$bits-upgrade.txt" 2>&1 || code=$?
  ((code == 0)) || problem "$bits-bit msiexec /i of the $next package exited $code"
  timeout 60 wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s "$reg_view" \
    >"$log/msi$bits-programs.txt" 2>&1 || true
  local listed cached
  listed=$(tr -d '\r' <"$log/msi$bits-programs.txt" | grep -E '^ +DisplayName +REG_SZ +VkString ' | sed 's/.*REG_SZ *//' || true)
  cached=$(find "$WINEPREFIX/drive_c/windows/Installer" -maxdepth 1 -iname '*.msi' | wc -l)
  echo "    installed programs named VkString: ${listed:-none}; packages in the installer's cache: $cached"
  [[ $listed == "VkString $next ($bits-bit)" ]] || problem "after the upgrade, installed programs list '${listed//$'\n'/; }', expected 'VkString $next ($bits-bit)' alone"
  ((cached == 1)) || problem "after the upgrade, the installer's cache holds $cached packages"
  script_args=()
  run_script "msi$bits-upgraded-creates" tests/wine/creates_object.vbs LC_ALL=C.UTF-8
}

msi_stage() {
  local bits=$1 package code folder installed base=$stage/msi$1
  use_bits "$bits"
  package=$(msi_package "$bits")
  if [[ ! -f $package ]]; then
    problem "$package was not built: the $bits-bit installer was not run"
    return
  fi
  local saved_prefix=$WINEPREFIX
  if [[ $bits = 64 ]]; then folder='Program Files'; else folder='Program Files (x86)'; fi

  echo "== $bits-bit installer: msiexec /i in a fresh prefix"
  local started_at=$SECONDS
  fresh_prefix "$base/installed"
  installed=$WINEPREFIX/drive_c/$folder/VkString
  code=0
  timeout 180 wine msiexec /i "$(winpath "$package")" /qn /l*v "$(winpath "$log/msi$bits-install.log")" \
    >"$log/msi$bits-install.txt" 2>&1 || code=$?
  ((code == 0)) || problem "$bits-bit msiexec /i exited $code (log: $log/msi$bits-install.log)"
  echo "    installed into C:\\$folder\\VkString:"
  (cd "$installed" 2>/dev/null && find . -type f -printf '%s\t%p\n' | sort -k2 | sed 's/^/      /') || true
  local built=$root/build-win$bits name
  for name in VelkorString.dll vkstring.exe msi/README.md msi/LICENSE.txt; do
    cmp -s "$built/$name" "$installed/$(basename "$name")" || problem "$bits-bit installer: $(basename "$name") is not the built file"
  done

  echo "== $bits-bit installer: the suites against the installed module"
  local scratch
  scratch=$(winpath "$stage/scratch")
  script_args=("$scratch" main)
  run_script "msi$bits-vbs-main" tests/wine/vkstring_suite.vbs LC_ALL=C.UTF-8 TZ=UTC0
  script_args=("$scratch")
  run_script "msi$bits-js-main" tests/wine/vkstring_suite.js LC_ALL=C.UTF-8 TZ=UTC0
  vkstring_calls "msi$bits" "$installed/vkstring.exe" "$stage/scratch/msi-vkstring-$bits"

  msi_upgrade "$bits" "$package" "$base"
  package=$msi_upgraded
  msi_export_keys "$base/exports-msi"
  local installed_module="C:\\$folder\\VkString\\VelkorString.dll"
  local installed_prefix=$WINEPREFIX

  echo "== $bits-bit installer: regsvr32 in another fresh prefix, and the two sets of keys"
  fresh_prefix "$base/regsvr32"
  code=0
  regsvr32 "msi$bits-regsvr32" "$module" || code=$?
  ((code == 0)) || problem "$bits-bit regsvr32 exited $code"
  msi_export_keys "$base/exports-regsvr32"
  stop_prefix
  local from_msi
  msi_exports_of "$base/exports-msi"
  from_msi=("${msi_exports[@]}")
  msi_exports_of "$base/exports-regsvr32"
  code=0
  python3 "$root/tests/wine/registry_compare.py" "msiexec /i" "$installed_module" "${from_msi[@]}" -- \
    "regsvr32" "$module" "${msi_exports[@]}" >"$log/msi$bits-compare.txt" 2>&1 || code=$?
  sed 's/^/    /' "$log/msi$bits-compare.txt"
  ((code == 0)) || problem "$bits-bit installer: its registry entries differ from regsvr32's"
  rm -rf "$base/regsvr32"

  echo "== $bits-bit installer: msiexec /x"
  export WINEPREFIX=$installed_prefix
  code=0
  timeout 180 wine msiexec /x "$(winpath "$package")" /qn /l*v "$(winpath "$log/msi$bits-uninstall.log")" \
    >"$log/msi$bits-uninstall.txt" 2>&1 || code=$?
  ((code == 0)) || problem "$bits-bit msiexec /x exited $code (log: $log/msi$bits-uninstall.log)"
  [[ ! -e $installed ]] || problem "$bits-bit msiexec /x left C:\\$folder\\VkString: $(ls -A "$installed" | tr '\n' ' ')"
  local view key left=0
  for view in 64 32; do
    for key in "HKCR\\CLSID\\$clsid" 'HKCR\VkString.VkString' 'HKCR\VkString.VkString.1' \
               "HKCR\\TypeLib\\$libid" "HKCR\\Interface\\$iid"; do
      if timeout 60 wine reg query "$key" /reg:$view >"$log/msi$bits-left.txt" 2>&1; then
        problem "$bits-bit msiexec /x left $key (/reg:$view)"
        left=$((left + 1))
      fi
    done
  done
  echo "    keys left in either view after msiexec /x: $left of 10 looked up"
  # With the server down the registry files are current: no value or key may name the package.
  stop_prefix
  local traces
  traces=$(grep -i -n -e 'vkstring' -e 'velkorstring' -e "${clsid:1:36}" -e "${libid:1:36}" -e "${iid:1:36}" \
    "$WINEPREFIX"/*.reg || true)
  [[ -z $traces ]] || problem "$bits-bit msiexec /x left registry entries: $(head -n5 <<<"$traces")"
  local files
  files=$(find "$WINEPREFIX/drive_c" \( -iname '*vkstring*' -o -iname '*velkor*' -o -path '*/windows/Installer/*' \) \
    -print 2>/dev/null || true)
  [[ -z $files ]] || problem "$bits-bit msiexec /x left files: $(head -n5 <<<"$files")"
  echo "    after msiexec /x: registry files lines naming the package: $(grep -c . <<<"$traces" || true)," \
    "files: $(grep -c . <<<"$files" || true)"
  rm -rf "$base/installed"
  export WINEPREFIX=$saved_prefix
  echo "== $bits-bit installer: $((SECONDS - started_at)) s"
}
