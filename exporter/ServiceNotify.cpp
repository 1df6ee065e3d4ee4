#include "ServiceNotify.h"

#include <systemd/sd-daemon.h>

bool NotifyReady() {
    // The socket's name stays in the environment: processes this one starts have none to tell.
    return sd_notify(0, "READY=1") >= 0;
}
