#include "ParentWatch.h"

#include <sys/prctl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

ParentTie TieToParent(pid_t parent, std::string& error) {
    if (prctl(PR_SET_PDEATHSIG, SIGTERM) != 0) {
        error = std::string("cannot ask for a signal at the parent's end: ") + std::strerror(errno);
        return ParentTie::Failed;
    }
    // An orphan has been handed to init or a subreaper, so its parent is no longer the one expected.
    return getppid() == parent ? ParentTie::Tied : ParentTie::ParentEnded;
}
