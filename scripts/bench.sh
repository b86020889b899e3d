#!/usr/bin/env bash
# Measures the kit and regenerates docs/performance.md with its plot docs/performance.png:
#  - install and remove under Wine: the shipping TalvorenSetup64.exe against
#    floor_program.exe (the same platform calls in the same order, without the program's
#    logic and log) on the same prepared system, median of several runs of each, both
#    measured in this run;
#  - remove with 10, 100, 1000 and 3000 staged OEM INFs, two of them ours: the time per
#    INF file of both programs, from a linear fit, with its residuals;
#  - the bus driver in the framework simulation, from bus_bench.exe where it is built;
#  - the size of both shipped executables and what their link maps say they are made of.
#
# Usage: scripts/bench.sh [--quick] [--build-dir DIR] [--output DIR]
#   --quick      one run of each measurement, 10 and 100 INFs only: the smoke run of CI
#   --build-dir  take the programs from this configured x86-64 build instead of building
#                both presets (the x86 size is then left out)
#   --output     write the report there instead of docs/
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

quick=0
build=""
output="$root/docs"
while [ $# -gt 0 ]; do
    case "$1" in
    --quick) quick=1 ;;
    --build-dir) build="$(cd "$2" && pwd)"; shift ;;
    --output) mkdir -p "$2"; output="$(cd "$2" && pwd)"; shift ;;
    *) echo "usage: scripts/bench.sh [--quick] [--build-dir DIR] [--output DIR]" >&2; exit 2 ;;
    esac
    shift
done
if [ "$quick" = 1 ]; then
    workflow_runs=1 inf_runs=1 inf_counts=(10 100)
else
    workflow_runs=15 inf_runs=7 inf_counts=(10 100 1000 3000)
fi

# --- what the measurements need ------------------------------------------------------

if [ -z "$build" ]; then
    scripts/install-deps.sh
    # gnuplot draws the plot; its PNG terminals come with the package.
    if ! command -v gnuplot >/dev/null; then
        sudo=""
        [ "$(id -u)" -eq 0 ] || sudo=sudo
        $sudo apt-get update -qq
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq gnuplot-nox >/dev/null
    fi
    for preset in mingw-x64 mingw-x86; do
        cmake --preset "$preset" >/dev/null
        cmake --build --preset "$preset" -j "$(nproc)" >/dev/null
    done
    build="$root/build/mingw-x64"
    x86_build="$root/build/mingw-x86"
else
    x86_build=""
fi
plot_terminal=""
if command -v gnuplot >/dev/null; then
    for terminal in pngcairo png; do
        if gnuplot -e "set terminal" 2>&1 | grep -Eq "^ +$terminal "; then
            plot_terminal=$terminal
            break
        fi
    done
fi

work="$build/bench"
[ "$quick" = 1 ] && work="$build/bench-smoke"
kit="$work/kit"
prefix="$work/prefix"
snapshot="$work/snapshot"
template="$build/wine/template"
export WINEPREFIX="$prefix" WINEDEBUG=-all
unset DISPLAY
trap 'wineserver -k 2>/dev/null || true' EXIT

# The programs beside the test driver package, as an installer lays them down.
wineserver -k 2>/dev/null || true
rm -rf "$work"
mkdir -p "$kit"
cp "$build/setup/TalvorenSetup64.exe" "$build/tests/bench/floor_program.exe" tests/package/* "$kit/"
tests/tools/wine-template.sh "$template"
tests/tools/wine-prefix.sh "$template" "$prefix"

# A Windows 10 system as an installation of the package leaves it: our device node and
# two lookalikes, both versions of the package staged beside three other packages, the
# service, the framework's key, the driver files and the package's settings.
version_key='HKLM\Software\Microsoft\Windows NT\CurrentVersion'
wine reg add "$version_key" /v CurrentVersion /d 10.0 /f >/dev/null
wine reg add "$version_key" /v CurrentBuildNumber /d 19041 /f >/dev/null
wine "$build/tests/acceptance/prepare.exe" "Z:$root/tests/package" "Z:$root/tests/acceptance/data"
wineserver -w
infs="$prefix/drive_c/windows/inf"
drivers="$prefix/drive_c/windows/system32/drivers"
log="$prefix/drive_c/users/Public/TalvorenDisplaySetup.log"
staged=$(find "$infs" -maxdepth 1 -iname 'oem*.inf' | wc -l)
mkdir -p "$snapshot"
cp -a "$prefix"/*.reg "$drivers" "$snapshot/"

# Puts the prepared system back (the registry holds the device nodes, the service and the
# keys), then starts Wine's server and services with a run that does nothing, so that the
# timed run pays only for its own process.
fresh_system() {
    wineserver -k 2>/dev/null || true
    wineserver -w
    cp -a "$snapshot"/*.reg "$prefix/"
    rm -rf "$drivers" "$log"
    cp -a "$snapshot/drivers" "$drivers"
    wineserver -p
    wine "$kit/floor_program.exe" start-up || true
}

# Prints the wall time of one Wine run, in milliseconds.
time_run() {
    local start end
    start=$(date +%s%N)
    wine "$@" || true
    end=$(date +%s%N)
    awk -v ns=$((end - start)) 'BEGIN { printf "%.1f\n", ns / 1e6 }'
}

# The shipping program must have done its job, or its time means nothing.
expect_success() {
    if ! tail -n 1 "$log" | grep -q "Setup Success!"; then
        echo "bench: the setup program's $1 did not succeed; its log ends:" >&2
        tail -n 5 "$log" >&2
        exit 1
    fi
}

# Lays out the INF folder of each count beside the prefix: the prepared files, then copies
# of another vendor's package up to `count` OEM INF files. use_infs puts one in place.
lay_out_infs() {
    local count number text
    text=$(<tests/acceptance/data/ForeignDisplay.inf)
    mv "$infs" "$work/infs-prepared"
    for count in "$@"; do
        cp -a "$work/infs-prepared" "$work/infs-$count"
        for ((number = staged; number < count; number++)); do
            printf '%s\n' "$text" >"$work/infs-$count/oem$number.inf"
        done
    done
    mv "$work/infs-prepared" "$infs"
    infs_in_place=prepared
}

use_infs() {
    mv "$infs" "$work/infs-$infs_in_place"
    mv "$work/infs-$1" "$infs"
    infs_in_place=$1
}

program_file() {
    [ "$1" = setup ] && echo TalvorenSetup64.exe || echo floor_program.exe
}

# --- measurements --------------------------------------------------------------------

echo "== install and remove, $workflow_runs runs each"
echo "action,program,ms" >"$work/workflows.csv"
for ((run = 0; run < workflow_runs; run++)); do
    # Alternate the order, so that neither program always runs right after the other.
    programs=(setup floor)
    [ $((run % 2)) = 1 ] && programs=(floor setup)
    for action in install remove; do
        for program in "${programs[@]}"; do
            fresh_system
            ms=$(time_run "$kit/$(program_file "$program")" "$action")
            [ "$program" = setup ] && expect_success "$action"
            echo "$action,$program,$ms" >>"$work/workflows.csv"
        done
    done
    # A run that returns at once: Wine's process start-up alone.
    echo "start-up,floor,$(time_run "$kit/floor_program.exe" start-up)" >>"$work/workflows.csv"
done

echo "== remove with ${inf_counts[*]} staged OEM INFs, $inf_runs runs each"
echo "infs,program,ms" >"$work/infs.csv"
lay_out_infs "${inf_counts[@]}"
# The runs go round the counts in turn, so that a burst of load elsewhere on the machine
# spreads over all of them rather than spoiling one.
for ((run = 0; run < inf_runs; run++)); do
    for count in "${inf_counts[@]}"; do
        use_infs "$count"
        for program in setup floor; do
            fresh_system
            ms=$(time_run "$kit/$(program_file "$program")" remove)
            [ "$program" = setup ] && expect_success "remove with $count INFs"
            echo "$count,$program,$ms" >>"$work/infs.csv"
        done
    done
done

bus_bench="$build/tests/bench/bus_bench.exe"
if [ -f "$bus_bench" ]; then
    echo "== bus in the framework simulation"
    bus_args=()
    [ "$quick" = 1 ] && bus_args=(--quick)
    wine "$bus_bench" "${bus_args[@]}" 2>"$work/bus-notes.txt" | tr -d '\r' >"$work/bus.csv"
else
    echo "== bus: bus_bench.exe is not built here; the bus table is left out"
fi

# --- statistics ----------------------------------------------------------------------

# The median of the third field of the CSV rows whose first two fields are given.
median() {
    awk -F, -v a="$2" -v b="$3" '$1 == a && $2 == b { print $3 }' "$1" | sort -g |
        awk '{ v[NR] = $1 } END { print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'
}

# The smallest and the largest of the same rows, as "min–max".
spread() {
    awk -F, -v a="$2" -v b="$3" '$1 == a && $2 == b { print $3 }' "$1" | sort -g |
        awk 'NR == 1 { low = $1 } { high = $1 } END { printf "%s–%s", low, high }'
}

ratio() {
    awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'
}

# Least-squares line through "x y" lines: prints intercept, slope and R squared.
fit() {
    awk '{ x[NR] = $1; y[NR] = $2; sx += $1; sy += $2; sxx += $1 * $1; sxy += $1 * $2 }
         END {
             n = NR; slope = (n * sxy - sx * sy) / (n * sxx - sx * sx); icpt = (sy - slope * sx) / n
             for (i = 1; i <= n; i++) { r = y[i] - icpt - slope * x[i]; ssr += r * r; sst += (y[i] - sy / n) ^ 2 }
             printf "%.3f %.6f %.5f\n", icpt, slope, (sst > 0 ? 1 - ssr / sst : 1)
         }'
}

declare -A med
for key in install,setup install,floor remove,setup remove,floor start-up,floor; do
    med[$key]=$(median "$work/workflows.csv" "${key%,*}" "${key#*,}")
done
startup=${med[start-up,floor]}

: >"$work/infs-median.dat"
for count in "${inf_counts[@]}"; do
    echo "$count $(median "$work/infs.csv" "$count" setup) $(median "$work/infs.csv" "$count" floor)" \
        >>"$work/infs-median.dat"
done
read -r setup_icpt setup_slope setup_r2 < <(awk '{ print $1, $2 }' "$work/infs-median.dat" | fit)
read -r floor_icpt floor_slope floor_r2 < <(awk '{ print $1, $3 }' "$work/infs-median.dat" | fit)

# --- sizes ---------------------------------------------------------------------------

size_rows=""
size_notes=""
for exe in "$build/setup/TalvorenSetup64.exe" ${x86_build:+"$x86_build/setup/TalvorenSetup32.exe"}; do
    name=$(basename "$exe" .exe)
    bytes=$(stat -c %s "$exe")
    map="${exe%.exe}.map"
    top=$(awk -f scripts/link-map-summary.awk "$map" | sort -rn | head -n 4 |
        awk -v total="$bytes" '{ printf "%s%s %.0f KiB (%d%%)", (NR > 1 ? ", " : ""), $2, $1 / 1024, 100 * $1 / total }')
    size_rows+="| $name | $bytes | $(awk -v b="$bytes" 'BEGIN { printf "%.0f", b / 1024 }') | $top |"$'\n'
    members=$(sed -n '/^Linker script and memory map/,$p' "$map" | grep -o 'libstdc++\.a([a-z_-]*\.o)' |
        sort | uniq -c | sort -rn | wc -l)
    size_notes+="$name links $members members of libstdc++.a."$'\n'
done
[ -z "$x86_build" ] && size_notes+="The x86 build was not measured in this run (--build-dir)."$'\n'

# --- plot ----------------------------------------------------------------------------

plot_line=""
if [ -n "$plot_terminal" ]; then
    gnuplot <<EOF
set terminal $plot_terminal size 1100,440 font ",10"
set output "$output/performance.png"
set multiplot layout 1,2
set title "install and remove under Wine (median of $workflow_runs runs)"
set style data histogram
set style histogram clustered gap 1
set style fill solid 0.8 border -1
set ylabel "wall time [ms]"
set yrange [0:*]
set offsets 0, 0, graph 0.2, 0
set key top left
set xtics nomirror
\$bars << END
install ${med[install,setup]} ${med[install,floor]} $startup
remove ${med[remove,setup]} ${med[remove,floor]} $startup
END
plot \$bars using 2:xtic(1) title "TalvorenSetup64.exe", '' using 3 title "floor program", '' using 4 title "Wine start-up alone"
unset style
set title "remove with N staged OEM INFs (median of $inf_runs runs)"
set xlabel "OEM INF files staged"
set ylabel "wall time [ms]"
set xrange [0:*]
set key top left
plot "$work/infs-median.dat" using 1:2 with points pt 7 ps 1.3 lc 1 title "TalvorenSetup64.exe", \
     $setup_icpt + $setup_slope * x with lines lw 2 lc 1 title "its linear fit", \
     "$work/infs-median.dat" using 1:3 with points pt 5 ps 1.3 lc 2 title "floor program", \
     $floor_icpt + $floor_slope * x with lines lw 2 dt 2 lc 2 title "its linear fit"
unset multiplot
EOF
    plot_line="![install and remove times, and remove time against the number of staged INF files](performance.png)"
else
    echo "== no gnuplot with a PNG terminal here: the plot is left out"
    plot_line="(No plot in this run: gnuplot with a PNG terminal was not installed.)"
fi

# --- report --------------------------------------------------------------------------

workflow_row() {
    local setup=${med[$1,setup]} floor=${med[$1,floor]}
    echo "| $1 | $setup | $floor | $(ratio "$setup" "$floor") |" \
        "$(awk -v a="$setup" -v s="$startup" 'BEGIN { printf "%.1f", a - s }') |" \
        "$(awk -v a="$floor" -v s="$startup" 'BEGIN { printf "%.1f", a - s }') |"
}

cpu=$(awk -F': ' '/^model name/ { print $2; exit }' /proc/cpuinfo)
memory=$(awk '/^MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo)
wine_version=$(wine --version)
startup_share=$(awk -v s="$startup" -v r="${med[remove,setup]}" 'BEGIN { printf "%.0f", 100 * s / r }')
per_inf_setup=$(awk -v s="$setup_slope" 'BEGIN { printf "%.3f", s }')
per_inf_floor=$(awk -v s="$floor_slope" 'BEGIN { printf "%.3f", s }')

inf_rows=""
while read -r count setup floor; do
    inf_rows+="| $count | $setup | $(spread "$work/infs.csv" "$count" setup) | $floor |"
    inf_rows+=" $(spread "$work/infs.csv" "$count" floor) | $(ratio "$setup" "$floor") |"
    inf_rows+=" $(awk -v n="$count" -v y="$setup" -v a="$setup_icpt" -v b="$setup_slope" 'BEGIN { printf "%+.1f", y - a - b * n }') |"
    inf_rows+=" $(awk -v n="$count" -v y="$floor" -v a="$floor_icpt" -v b="$floor_slope" 'BEGIN { printf "%+.1f", y - a - b * n }') |"$'\n'
done <"$work/infs-median.dat"
# The largest residual of each fit, in milliseconds and as a share of the longest time.
largest_residual() {
    awk -v column="$1" -v a="$2" -v b="$3" '{ r = $column - a - b * $1; r = r < 0 ? -r : r
                                              if (r > worst) worst = r; if ($column > top) top = $column }
                                            END { printf "%.0f ms (%.0f %% of the longest time)", worst, 100 * worst / top }' "$work/infs-median.dat"
}
setup_worst=$(largest_residual 2 "$setup_icpt" "$setup_slope")
floor_worst=$(largest_residual 3 "$floor_icpt" "$floor_slope")
own_per_inf=$(awk -v a="$setup_slope" -v b="$floor_slope" 'BEGIN { printf "%.3f", a - b }')
if awk -v r="$setup_r2" 'BEGIN { exit !(r >= 0.98) }'; then
    linearity="The time grows linearly with the number of files: the line explains R² $setup_r2 of the setup program's medians, and its largest residual is $setup_worst."
else
    linearity="The line explains only R² $setup_r2 of the setup program's medians (largest residual $setup_worst): in this run the machine's other load spread the measurements too widely to show the growth cleanly; the spreads in the table show how widely."
fi

if [ -f "$work/bus.csv" ]; then
    bus_section=$(awk -F, 'NR == 1 { print "| " $1 " | " $2 " | " $3 " | " $4 " |"; print "|---:|---:|---:|---:|"; next }
                           { print "| " $1 " | " $2 " | " $3 " | " $4 " |" }' "$work/bus.csv")
    bus_section+=$'\n\n'"Plug-in and unplug cost per request (nanoseconds) with that many children present, and the pool bytes the driver holds per child, as \`bus_bench.exe\` prints them."
    if [ -s "$work/bus-notes.txt" ]; then
        bus_section+=$'\n\n'"Its notes:"$'\n\n'"$(tr -d '\r' <"$work/bus-notes.txt" | sed 's/^bus_bench: /- /')"
    fi
else
    bus_section="Not measured in this run: \`bus_bench.exe\` (tests/bench/BusBench.cpp) was not built. The bus table appears here once it is."
fi

startup_sentence="Wine's process start-up alone (a run of the floor program that returns at once) takes $startup ms, $startup_share % of the setup program's remove"
if [ "$startup_share" -ge 50 ]; then
    startup_sentence+=": start-up dominates these small runs, and the ratios above compare mostly that."
else
    startup_sentence+="."
fi

mkdir -p "$output"
cat >"$output/performance.md" <<EOF
# Performance

Measured by \`scripts/bench.sh\`, which rebuilds, measures and rewrites this page and its
plot$( [ "$quick" = 1 ] && echo " (this is a quick smoke run: one run per measurement)").
Machine: $(nproc) cores ($cpu), $memory of memory, $wine_version, $(uname -sr).
Every figure is a wall time measured here, in this run, under Wine; none is from Windows.

$plot_line

## Install and remove against the floor

Each run starts from the same prepared Windows 10 system (our device node and two
lookalikes, both versions of the package staged beside three other packages, the
service, the framework's key, the driver files), restored before every run, with Wine's
server and services already running. The floor program (\`tests/bench/FloorProgram.cpp\`)
makes the setup program's platform calls in the same order on the same system, without
its logic and without its log. Both are measured in the same run, in alternating order;
the figures are medians of $workflow_runs runs.

| action | TalvorenSetup64.exe [ms] | floor program [ms] | ratio | setup beyond start-up [ms] | floor beyond start-up [ms] |
|---|---:|---:|---:|---:|---:|
$(workflow_row install)
$(workflow_row remove)
| start-up alone | | $startup | | | |

$startup_sentence
The setup program writes its log with one open, write and close of the file per message,
as its design requires (every message is on disk before the call returns); that is what
it does beyond the floor.

## Remove with many staged INF files

\`remove\` on the same system with N OEM INF files staged, two of them ours, the others
another vendor's display package. Medians of $inf_runs runs; the residuals are those of a
least-squares line through the medians.

| INF files | setup [ms] | setup min–max | floor [ms] | floor min–max | ratio | setup residual [ms] | floor residual [ms] |
|---:|---:|---:|---:|---:|---:|---:|---:|
${inf_rows}
Time per INF file, the slope of each line: **$per_inf_setup ms** for the setup program and
**$per_inf_floor ms** for the floor (R² $floor_r2, largest residual $floor_worst), so
$own_per_inf ms per file is the program's own. $linearity Per file, both programs open it
with the platform's INF reader and read its [Version] Class (and the Provider of a display
package); the setup program adds one log message per file, with its open, write and close
of the log file. Nothing it does per file depends on how many files there are.

## Bus driver in the framework simulation

$bus_section

## Size of the shipped executables

| program | bytes | KiB | largest parts (link map) |
|---|---:|---:|---|
${size_rows}
Sizes of the stripped images as the build writes them (\`-s\`, \`--gc-sections\`, \`-Os\`).
The parts are the input sections that the linker's map (\`setup/TalvorenSetupNN.map\` in
the build) places in the image, summed by library; objects.a is the program's own code.
${size_notes}What dominates is libstdc++.a: the out-of-line instantiations of std::wstring and
std::string that every string operation calls, and, through the string operations' length
errors, the exception classes with their copy-on-write strings. binutils 2.40 keeps every
function's unwind data (.pdata on x86-64, .eh_frame on x86), so --gc-sections cannot drop
the unused functions of a library member once the member is linked. The program links the
C++ runtime of the win32 thread model: it starts no threads, and the posix model's runtime
brings winpthread for the lock of its exception allocator. That change took the x86-64
image from 161,280 to 138,240 bytes and the x86 image from 234,496 to 208,384 bytes when
it was made, with the same imports.
EOF
# The measured prefix is of no further use; the tables stay in the work folder.
wineserver -k 2>/dev/null || true
rm -rf "$prefix" "$snapshot"
echo "== wrote $output/performance.md"
