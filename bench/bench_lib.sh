# Shared by the bench scripts: run two commands in turn (A B A B ...), report medians.
# Source it; `alternate ROUNDS PREP CMD_A CMD_B` sets MEDIAN_A and MEDIAN_B (seconds).
# PREP (may be ":") runs untimed before every single run.

_now_ns() { date +%s%N; }

_median() {  # numbers on stdin -> their median
  sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

alternate() {
  local rounds=$1 prep=$2 a=$3 b=$4 ta="" tb="" t0 t1 i
  for ((i = 0; i < rounds; i++)); do
    eval "$prep"; t0=$(_now_ns); eval "$a"; t1=$(_now_ns); ta+="$(( t1 - t0 ))"$'\n'
    eval "$prep"; t0=$(_now_ns); eval "$b"; t1=$(_now_ns); tb+="$(( t1 - t0 ))"$'\n'
  done
  MEDIAN_A=$(printf '%s' "$ta" | _median | awk '{ printf "%.4f", $1 / 1e9 }')
  MEDIAN_B=$(printf '%s' "$tb" | _median | awk '{ printf "%.4f", $1 / 1e9 }')
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }
