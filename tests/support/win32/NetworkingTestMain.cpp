#include "runtime/Networking.h"

#include <gtest/gtest.h>

#include <cstdio>

// Windows test programs start Windows Sockets first, as every program on Windows must.
int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (!StartNetworking()) {
        std::fprintf(stderr, "Windows Sockets could not be started\n");
        return 1;
    }
    return RUN_ALL_TESTS();
}
