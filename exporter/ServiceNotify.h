#pragma once

// Tells systemd that the service is ready (a unit of Type=notify waits for it before its start counts as
// done): to be called once the listeners are open. False only when systemd started the program and could
// not be told; true, doing nothing, when the program was not started as such a service.
bool NotifyReady();
