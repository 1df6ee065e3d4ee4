#!/usr/bin/env bash
# The exporter's figures at scale, each against its target, in a network namespace of its own: a
# simulator of 10,000 addresses takes its ports on every loopback address, which must not disturb the
# tests of anyone else on this machine.
#   1. 10,000 devices from one simulator: descriptors once every device is up (at most 1.1 a device + 100)
#      and /metrics p50 and p99 over SCRAPES back-to-back scrapes (default 1,000; p99 at most 50 ms), which
#      span several remakes of the page;
#   2. 1,000 devices with one /probe in flight: threads (at most 2) and /metrics p50 and p99 meanwhile.
# Each figure line gives the load average when it was taken. SIZES (default 10000) chooses the fleets of 1.
# Usage: bench/exporter/scale_figures.sh [BUILD_DIR]   (default build/normal; as root, or where unshare -rn
# is allowed)
set -euo pipefail
cd "$(dirname "$0")/../.."
if [ -z "${VANTREX_PRIVATE_NETWORK:-}" ]; then
    unshare_options=(-n)
    [ "$(id -u)" -eq 0 ] || unshare_options=(-rn)
    exec unshare "${unshare_options[@]}" env VANTREX_PRIVATE_NETWORK=1 \
        bash -c 'ip link set lo up && exec "$0" "$@"' "$0" "$@"
fi
STAGES="sizes inflight" SIZES=${SIZES:-10000} SCRAPES=${SCRAPES:-1000} exec bench/exporter/exporter_figures.sh "$@"
