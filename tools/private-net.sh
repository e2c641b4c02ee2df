# Sourced by scripts that join a Link session (Link multicasts on every
# interface that is up). `enter_private_net "$@"` re-runs the calling script
# in a network namespace of its own with only loopback, multicast routed to
# it, and refuses to go on if anything else is visible there.
enter_private_net() {
  if [ -z "${VYS_PRIVATE_NET:-}" ]; then
    VYS_PRIVATE_NET=1 exec unshare -n bash "$0" "$@"
  fi
  ip link set lo up && ip link set lo multicast on && ip route add 224.0.0.0/4 dev lo 2>/dev/null || true
  local others
  others=$(ip -o link show | awk -F': ' '$2 != "lo" { print $2 }')
  if [ -n "$others" ] || ! ip -o link show lo >/dev/null 2>&1; then
    echo "refusing to run: interfaces other than loopback are visible: $others" >&2
    exit 1
  fi
}
