#include "runtime/UserRequest.h"

// Windows has no such request for a console program: the signal stays as it is.
bool SetOnUserRequest(CSignal&) {
    return true;
}
