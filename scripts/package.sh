#!/usr/bin/env bash
# Builds the Debian package: a Release build in build-pkg/, the .deb made by CPack with the
# dependencies dpkg-shlibdeps finds, then lintian's check of it. The last line printed is the
# package's path.
#   scripts/package.sh
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh dpkg-dev file lintian

# The package's changelog names the version it describes first.
version=$(sed -n 's/^project(meter_logger VERSION \([^ ]*\) .*/\1/p' CMakeLists.txt)
changelog_version=$(sed -n '1s/^[^ ]* (\([^)]*\)).*/\1/p' packaging/changelog)
if [ "$version" != "$changelog_version" ]; then
  echo "packaging/changelog starts with $changelog_version, the project is $version: add an entry" >&2
  exit 1
fi

build=build-pkg
# Debian's build flags, with every hardening feature.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags="$(dpkg-buildflags --get LDFLAGS)"

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DMETER_BUILD_TESTS=OFF -DMETER_BUILD_BENCH=OFF \
  -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" >/dev/null
cmake --build "$build" -j"$(nproc)"

rm -rf "$build/package"
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(realpath "$build"/package/*.deb)

echo "lintian:"
lintian --fail-on error "$deb"
echo "$deb"
