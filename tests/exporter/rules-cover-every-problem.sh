#!/bin/sh
# Every problem that the problem table of vantrex-status's page rates WARNING or CRITICAL has an alert
# rule at each such severity, and every alert has a row in the exporter page's table of alerts: a health
# rule added without its alert would leave its devices failing unnoticed.
# Usage: rules-cover-every-problem.sh STATUS_PAGE EXPORTER_PAGE RULES
set -eu
status_page=$1 exporter_page=$2 rules=$3
missing=0
# "code severities" for each row of the problem table.
problems=$(sed -n 's/^| `\([a-z][a-z-]*\)` | \([^|]*\) |.*/\1 \2/p' "$status_page")
[ -n "$problems" ] || { echo "no problem table in $status_page" >&2; exit 1; }
while read -r code severities; do
    for severity in CRITICAL WARNING; do
        case "$severities" in *"$severity"*) ;; *) continue ;; esac
        test=$([ "$severity" = CRITICAL ] && echo '== 2' || echo '>= 1 <= 2')
        if ! grep -qF "vantrex:problem_severity:held{code=\"$code\"} $test" "$rules"; then
            echo "$rules: no $severity alert for $code" >&2
            missing=1
        fi
    done
done <<END
$problems
END
for alert in $(sed -n 's/^ *- alert: //p' "$rules" | sort -u); do
    if ! grep -q "^| \`$alert\`" "$exporter_page"; then
        echo "$exporter_page: $alert is not in the table of alerts" >&2
        missing=1
    fi
done
exit "$missing"
