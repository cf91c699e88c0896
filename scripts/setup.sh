#!/bin/sh
# setup.sh - installs what building and testing pelgrove needs, and only
# what is missing, from Debian's packages: the mingw-w64 cross compiler for
# 32-bit Windows, Wine with its 32-bit part (the i386 architecture), CMake,
# Ninja, GoogleTest, Python 3, a JDK for the demo's Java application, and
# clang with its runtime libraries for the fuzzers (libFuzzer and the
# sanitizers).
#
#   setup.sh bench   also what `make bench` needs: hyperfine and Google
#                    Benchmark.
set -eu

missing=""
need() { missing="$missing $1"; }

if [ "${1:-}" = bench ]; then
    command -v hyperfine >/dev/null || need hyperfine
    [ -f /usr/include/benchmark/benchmark.h ] || need libbenchmark-dev
fi

command -v cmake >/dev/null || need cmake
command -v ninja >/dev/null || need ninja-build
command -v python3 >/dev/null || need python3
command -v i686-w64-mingw32-g++ >/dev/null || need g++-mingw-w64-i686
command -v i686-w64-mingw32-windres >/dev/null || need binutils-mingw-w64-i686
command -v wine >/dev/null || need wine
dpkg -s wine32:i386 >/dev/null 2>&1 || need wine32:i386
[ -f /usr/include/gtest/gtest.h ] || need libgtest-dev
command -v javac >/dev/null && command -v jar >/dev/null || need openjdk-17-jdk-headless
command -v clang++ >/dev/null || need clang
dpkg -s libclang-rt-dev >/dev/null 2>&1 || need libclang-rt-dev

[ -z "$missing" ] && exit 0

echo "setup: installing:$missing"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
fi
$sudo apt-get update -q
# shellcheck disable=SC2086 # one word per package
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q \
    --no-install-recommends $missing
