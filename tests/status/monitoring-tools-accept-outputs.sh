#!/bin/sh
# The tools that read vantrex-status's outputs must accept them as they are: Prometheus's own linter the
# textfile, and the monitoring-plugin library's parser every datum of the performance data, for one
# device (plain labels) and for several (a label per device), with every limit option in the data.
# Usage: monitoring-tools-accept-outputs.sh SIM STATUS
set -eu
sim=$1 status=$2
folder=$(mktemp -d)
pids=
cleanup() {
    for pid in $pids; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$folder"
}
trap cleanup EXIT

ntp_port=12144
. "$(dirname "$0")/../support/ready-sim.sh"
start_ready_sim healthy "$sim" --telnet-port 0 --ntp-port "$ntp_port" --address 127.0.44.1
start_ready_sim troubled "$sim" --telnet-port 0 --ntp-port "$ntp_port" --address 127.0.44.2 --peer-reach 17 \
    --peer-jitter 7.5 --ntp-stratum 3

limits="-w 0.5 -c 2 --jitter-warn 0.005 --jitter-crit 0.01 --reach-warn 6 --reach-crit 5 --stratum-warn 2"
# shellcheck disable=SC2086 # the limits are words on purpose
run() {
    set +e
    "$status" --nagios --ntp-port "$ntp_port" --timeout 8 $limits "$@"
    echo "exit $?" >&2
    set -e
}
run 127.0.44.1 >"$folder/one.txt" 2>"$folder/one.exit"
run 127.0.44.1 127.0.44.2 --prometheus "$folder/fleet.prom" >"$folder/fleet.txt" 2>"$folder/fleet.exit"

failed=0
if ! promtool check metrics <"$folder/fleet.prom" >&2; then
    echo "promtool rejects the textfile:" >&2
    cat "$folder/fleet.prom" >&2
    failed=1
fi

# Every datum must parse, with its label, value, unit, both limits, and its minimum and maximum as written.
parse='
use strict;
use Monitoring::Plugin::Performance;
my ($file, $expected) = @ARGV;
open(my $in, "<", $file) or die;
my @data;
while (my $line = <$in>) {
    push @data, split(/ /, $1) if $line =~ /\|\s*(.*)$/;
}
my $ok = @data == $expected;
for my $datum (@data) {
    my ($p) = Monitoring::Plugin::Performance->parse_perfstring($datum);
    my ($label, $value, $uom, $limits) = $datum =~ /^\x27?([^\x27=]+)\x27?=([-0-9.]+)([a-z]*)(;.*)?$/;
    my $read = $p && join(";", "", ($p->threshold->warning->is_set ? $p->threshold->warning : ""),
                                   ($p->threshold->critical->is_set ? $p->threshold->critical : ""),
                                   $p->min // "", $p->max // "");
    ($limits //= "") =~ s/;+$//;
    $read =~ s/;+$// if $p;
    my $same = $p && defined $label && $p->label eq $label && $p->value == $value && $p->uom eq $uom
        && $limits eq $read;
    print STDERR "misread: $datum\n" unless $same;
    $ok &&= $same;
}
print STDERR scalar(@data), " data, $expected expected\n" unless @data == $expected;
exit($ok ? 0 : 1);
'
# offset, ntp_offset, ntp_delay, stratum, peer_offset, jitter, reach: 7 a device.
for run in one:7 fleet:14; do
    name=${run%%:*}
    if ! perl -e "$parse" "$folder/$name.txt" "${run#*:}"; then
        echo "the plugin library does not read the $name performance data back:" >&2
        cat "$folder/$name.txt" "$folder/$name.exit" >&2
        failed=1
    fi
done
grep -q "exit 0" "$folder/one.exit" && grep -q "exit 2" "$folder/fleet.exit" || {
    echo "exit status: one device $(cat "$folder/one.exit"), both $(cat "$folder/fleet.exit") (0 and 2 expected)" >&2
    failed=1
}
[ "$failed" -eq 0 ] && cat "$folder/fleet.txt"
