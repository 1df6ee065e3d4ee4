#include "OffscreenEnvironment.h"

#include <QByteArray>
#include <QtGlobal>

#include <unistd.h>

#include <cstdlib>

COffscreenEnvironment::COffscreenEnvironment() {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsSet("XDG_RUNTIME_DIR")) {
        return;
    }
    const char* base = std::getenv("TMPDIR");
    std::string pattern =
        std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/vantrex-bench-XXXXXX";
    // mkdtemp makes the folder 0700, as Qt wants a runtime folder.
    if (mkdtemp(pattern.data()) != nullptr) {
        m_runtimeFolder = pattern;
        qputenv("XDG_RUNTIME_DIR", m_runtimeFolder.c_str());
    }
}

COffscreenEnvironment::~COffscreenEnvironment() {
    if (!m_runtimeFolder.empty()) {
        // The offscreen platform leaves nothing there; if something did, the folder simply stays.
        (void)rmdir(m_runtimeFolder.c_str());
    }
}
