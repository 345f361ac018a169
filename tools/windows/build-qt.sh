#!/usr/bin/env bash
# Prepares, once, Qt for Windows x86-64 cross-built with MinGW from Debian's own qt6-base
# source package (the same Qt version as the host's, whose moc, rcc and uic it reuses).
# Prints the installed prefix on its last line. Later calls find the cache and return at once.
#
# The cache lives outside the checkout, keyed by the Qt version, the compiler and this
# recipe's revision. A build goes into a temporary directory that is renamed into place
# only after it installed completely, with a stamp inside: an interrupted build is
# never taken for a finished one.
set -euo pipefail

QT_VERSION=6.4.2
RECIPE=1                       # bump when the configure options below change
TRIPLE=x86_64-w64-mingw32
JOBS=${JOBS:-2}

here=$(cd "$(dirname "$0")" && pwd)
"$here/install-deps.sh" >&2

cc_version=$("$TRIPLE-g++-posix" -dumpfullversion)
cache=${XDG_CACHE_HOME:-$HOME/.cache}/zuf-quiz
key=qt-$QT_VERSION-$TRIPLE-gcc$cc_version-r$RECIPE
prefix=$cache/$key
stamp=$prefix/.complete

if [ -f "$stamp" ]; then
  echo "$prefix"
  exit 0
fi

mkdir -p "$cache"
# One builder at a time; a second caller waits and then finds the cache.
exec 9>"$cache/$key.lock"
flock 9
if [ -f "$stamp" ]; then
  echo "$prefix"
  exit 0
fi
rm -rf "$prefix"     # a directory without its stamp is not ours to trust

work=$(mktemp -d "$cache/$key.tmp.XXXXXX")
trap 'rm -rf "$work"' EXIT
started=$(date +%s)
echo "Building Qt $QT_VERSION for Windows in $work (about 25 minutes on two cores)" >&2

# The source comes from the same archive and suites the system's own deb entries name.
"$here/fetch-qt-source.sh" "$QT_VERSION" "$work/src-parent" >&2
src=$(find "$work/src-parent" -mindepth 1 -maxdepth 1 -type d -name 'qt6-base-*' | head -n1)

# Host tools (moc, rcc, uic...) come from Debian's Qt of the same version.
host_cmake=$(dirname "$(dirname "$(dpkg -L qt6-base-dev | grep -m1 '/cmake/Qt6/Qt6Config.cmake$')")")

# tabletevent: Debian's repacked source leaves out the tablet header the Windows plugin needs.
# OpenGL stays on: the Windows plugin of this Qt does not compile without it (it picks its
# dynamic OpenGL, which needs nothing at build time).
cmake -S "$src" -B "$work/build" -G Ninja \
  -DCMAKE_SYSTEM_NAME=Windows \
  -DCMAKE_SYSTEM_PROCESSOR=AMD64 \
  -DCMAKE_C_COMPILER="$TRIPLE-gcc-posix" \
  -DCMAKE_CXX_COMPILER="$TRIPLE-g++-posix" \
  -DCMAKE_RC_COMPILER="$TRIPLE-windres" \
  -DCMAKE_FIND_ROOT_PATH="/usr/$TRIPLE" \
  -DCMAKE_FIND_ROOT_PATH_MODE_PROGRAM=NEVER \
  -DCMAKE_FIND_ROOT_PATH_MODE_LIBRARY=ONLY \
  -DCMAKE_FIND_ROOT_PATH_MODE_INCLUDE=ONLY \
  -DCMAKE_FIND_ROOT_PATH_MODE_PACKAGE=ONLY \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$work/prefix" \
  -DQT_HOST_PATH=/usr \
  -DQT_HOST_PATH_CMAKE_DIR="$host_cmake" \
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
  -DFEATURE_network=OFF -DFEATURE_sql=OFF -DFEATURE_dbus=OFF \
  -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF \
  -DFEATURE_tabletevent=OFF \
  -DFEATURE_testlib=ON -DFEATURE_widgets=ON -DFEATURE_jpeg=ON \
  >"$work/configure.log" 2>&1 || { tail -n 60 "$work/configure.log" >&2; exit 1; }

cmake --build "$work/build" -j "$JOBS" >"$work/build.log" 2>&1 \
  || { grep -m 20 -B2 -A8 'error' "$work/build.log" >&2 || tail -n 60 "$work/build.log" >&2; exit 1; }
cmake --install "$work/build" >"$work/install.log" 2>&1 || { tail -n 40 "$work/install.log" >&2; exit 1; }

echo "Qt $QT_VERSION for Windows: built in $(( ($(date +%s) - started) / 60 )) minutes" >&2
echo "$QT_VERSION $TRIPLE-g++-posix $cc_version recipe $RECIPE" >"$work/prefix/.complete"
mv -T "$work/prefix" "$prefix"
echo "$prefix"
