#!/usr/bin/env bash
# Decks beat-locked through Link, measured by ear (bench/LinkSync.cpp says
# what each figure is): two synced decks on one JACK server for SECONDS, a
# tempo change by a third peer, the CPU of sync, and two "machines": network
# namespaces joined by a veth pair only, each with its own JACK server and
# deck, whose heard beats are compared on the Link clock they share.
# Everything runs in a network of its own: nothing reaches another machine.
#   bench/link_sync.sh [SECONDS=60]   (after: cmake --build build --target link_sync)
# VYS_TEST_JACK_SERVER names the servers (default vys-bench), for a machine
# where several checkouts run their own.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/private-net.sh
enter_private_net "$@"
seconds=${1:-60}
bench=build/bench/link_sync
[ -x "$bench" ] || { echo "missing $bench: cmake --build build --target link_sync"; exit 1; }
server=${VYS_TEST_JACK_SERVER:-vys-bench}

VYS_TEST_JACK_SERVER=$server "$bench" decks "$seconds"
VYS_TEST_JACK_SERVER=$server "$bench" cpu 20

# Inside the namespace of the process $1 once the veth end $2 is there: only
# loopback and that end may exist, both up with multicast routed to the veth.
machine() {  # side address bpm
  local side=$1 address=$2 bpm=$3
  until ip -o link show "veth-$side" >/dev/null 2>&1; do sleep 0.05; done
  ip link set lo up
  ip addr add "$address/24" dev "veth-$side"
  ip link set "veth-$side" up multicast on
  ip route add 224.0.0.0/4 dev "veth-$side"
  local others
  others=$(ip -o link show | awk -F': ' '{ sub(/@.*/, "", $2); print $2 }' | grep -vx -e lo -e "veth-$side" || true)
  [ -z "$others" ] || { echo "machine $side: refusing to run, it also sees: $others" >&2; exit 1; }
  VYS_TEST_JACK_SERVER=$server-$side "$bench" heard "$seconds" "$bpm" "$work/$side.txt"
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export -f machine
export bench seconds server work
declare -A machines
for side in a b; do
  address=10.199.0.$([ "$side" = a ] && echo 1 || echo 2)
  bpm=$([ "$side" = a ] && echo 128 || echo 124)
  unshare -n bash -c "machine $side $address $bpm" &
  machines[$side]=$!
done
ip link add veth-a type veth peer name veth-b
ip link set veth-a netns "${machines[a]}"
ip link set veth-b netns "${machines[b]}"
echo "two machines joined by a veth pair, one synced deck on a JACK server each, $seconds s:"
status=0
for side in a b; do wait "${machines[$side]}" || status=1; done
[ "$status" = 0 ] && "$bench" compare "$work/a.txt" "$work/b.txt"
