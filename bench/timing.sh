# shellcheck shell=bash
# Shared by the benchmark scripts: sourced, not run.

# Prints "cpu wall" in seconds for one run of the command given, to the millisecond (the shell's
# own timing: /usr/bin/time gives hundredths, too coarse for runs of a few tenths).
measure() {
  local TIMEFORMAT='%3U %3S %3R' times
  times=$({ time "$@" >/dev/null 2>&1; } 2>&1)
  awk '{ printf "%.3f %.3f\n", $1 + $2, $3 }' <<<"$times"
}

# The smallest of the numbers given on standard input, separated by blanks.
best() { tr ' ' '\n' | sed '/^$/d' | sort -g | head -1; }

# Their median (of an even count, the lower of the middle two). On a noisy machine one fast run
# moves the smallest; the median moves less.
median() {
  tr ' ' '\n' | sed '/^$/d' | sort -g | awk '{ v[NR] = $1 } END { if (NR) print v[int((NR + 1) / 2)] }'
}

# The CPU and wall ratios of one side's times to a base's, of their minimums and of their medians:
# ratios CPU WALL BASE_CPU BASE_WALL, each a list of seconds separated by blanks.
ratios() {
  local of
  for of in best median; do
    awk -v c="$($of <<<"$1")" -v w="$($of <<<"$2")" -v bc="$($of <<<"$3")" -v bw="$($of <<<"$4")" \
      -v what="$([ "$of" = best ] && echo "best of each" || echo medians)" \
      'BEGIN { printf "cpu ratio (%s): %.2f\nwall ratio (%s): %.2f\n", what, c / bc, what, w / bw }'
  done
}

# The two projects of the growth benchmarks, 250 and 2,000 modules, generated once under $1 as
# grow250 and grow2000.
make_growth_projects() {
  local modules
  for modules in 250 2000; do
    [ -f "$1/grow$modules/Big.vbp" ] ||
      build-bench/bench/tarnel-genproject --modules "$modules" "$1/grow$modules" >/dev/null
  done
}
