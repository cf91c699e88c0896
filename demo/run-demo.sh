#!/bin/sh
# run-demo.sh LAUNCHER JAR FOLDER WINEPREFIX [--check]
#
# Sets up FOLDER the way a user would (the launcher renamed after the app,
# config.ini and the app's .jar side by side), starts the launcher under
# Wine from that folder as a double click would, and shows what the Java
# application did. The runtime is this machine's own java: Wine starts a
# Unix program named on a command line like any other.
#
# The app writes its report into a named pipe made here, so reading the pipe
# waits exactly until the app has written it; no sleeping, no polling.
# With --check, exits non-zero unless the report shows the expected start.
set -eu
launcher=$1 jar=$2 folder=$3 prefix=$4 check=${5:-}
here=$(cd "$(dirname "$0")" && pwd)
java=$(command -v java) || { echo "run-demo: no java on PATH" >&2; exit 2; }

rm -rf "$folder"
mkdir -p "$folder"
cp "$launcher" "$folder/Sample App.exe"
cp "$jar" "$folder/sample-app.jar"
printf '%s\r\n' \
    '# Read by "Sample App.exe" from its working directory.' \
    '[pelgrove]' \
    '# The Java runtime to start; on Windows, javaw.exe opens no console.' \
    "jre=$java" \
    'jar=sample-app.jar' >"$folder/config.ini"
mkfifo "$folder/sample-app-report.txt"

echo "== $folder"
ls -1 "$folder" | sed 's/^/   /'
echo "== config.ini"
sed 's/\r$//; s/^/   /' "$folder/config.ini"
echo "== double click: wine \"Sample App.exe\" (working directory: the folder)"
status=0
(cd "$folder" && "$here/../tests/wine/winerun" "$prefix" "Sample App.exe") ||
    status=$?
echo "   launcher exit status: $status"
[ "$status" -eq 0 ] || { echo "run-demo: the launcher started nothing" >&2; exit 1; }

echo "== what the Java application reported"
report=$(timeout 120 cat "$folder/sample-app-report.txt") || {
    echo "run-demo: no report from the Java application within 120 s" >&2
    exit 1
}
printf '%s\n' "$report" | sed 's/^/   /'

if [ "$check" = --check ]; then
    for expected in \
        "Hello from SampleApp, a Java application started by pelgrove." \
        "arguments: 0 []" \
        "working directory: $(cd "$folder" && pwd -P)" \
        "sum of 1..100: 5050"; do
        printf '%s\n' "$report" | grep -qxF "$expected" || {
            echo "run-demo: report lacks: $expected" >&2
            exit 1
        }
    done
    echo "== check passed"
fi
