# Debian packages the project builds, tests and demonstrates with (sourced by the scripts).
# The exporter reads its web configuration with yaml-cpp, serves TLS with OpenSSL (whose command makes the
# TLS tests' certificates), checks bcrypt passwords with libxcrypt and tells systemd it is ready with
# libsystemd. mold links the Linux builds' programs (cmake/Linker.cmake says why).
BUILD_PACKAGES=(cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev
                libcli11-dev nlohmann-json3-dev zlib1g-dev libcpp-httplib-dev qt6-base-dev
                fonts-liberation2 libyaml-cpp-dev libssl-dev openssl libcrypt-dev libsystemd-dev mold)
DEMO_PACKAGES=(xvfb x11-apps x11-utils xdotool netpbm)
# The window's notification tests run a private session bus and a stand-in notification service in
# Debian's Python with its D-Bus and GLib bindings.
NOTIFICATION_TEST_PACKAGES=(dbus-daemon python3-dbus python3-gi)
# scripts/notification-screenshot.sh shows the window's alarm in a real notification daemon, on a
# coloured virtual desktop (xsetroot).
NOTIFICATION_DEMO_PACKAGES=(dbus-daemon dbus-bin dunst x11-xserver-utils)
# The status program's outputs are read by the tools that monitoring hosts read them with; Prometheus
# scrapes the exporter, whose test asks Prometheus' API with curl and reads the answers with jq; Alertmanager
# runs the shipped inhibit example.
MONITORING_PACKAGES=(prometheus prometheus-alertmanager libmonitoring-plugin-perl curl jq)
# The status program's NTP figures are read from its JSON with jq; strace counts the fleet race's
# connections by port.
BENCH_PACKAGES=(jq strace)
# The fuzz harnesses build with clang and its libFuzzer runtime.
FUZZ_PACKAGES=(clang libclang-rt-dev)
# The Windows stage cross-builds with mingw-w64, GoogleTest from its sources, and runs the tests in Wine;
# jq compares the status program's JSON from both builds; the native window's tests open it on Xvfb.
MINGW_PACKAGES=(g++-mingw-w64-x86-64-posix)
WINDOWS_PACKAGES=("${MINGW_PACKAGES[@]}" googletest wine64 jq xvfb)
# scripts/package.sh makes the Debian package and the Windows zip: manual pages from --help, the icon
# sizes drawn by the artwork script, and the checks that the package's files are well formed.
# systemd-analyze checks the exporter's service unit.
PACKAGE_PACKAGES=(help2man python3 lintian appstream desktop-file-utils man-db dpkg-dev fakeroot zip unzip systemd)
