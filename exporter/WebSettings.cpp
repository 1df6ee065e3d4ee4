#include "WebSettings.h"

std::shared_ptr<const CWebSettings> CWebSettings::Load(const std::string& path, std::string& error) {
    WebConfigRead read = ReadWebConfig(path);
    if (!read.config) {
        error = read.error;
        return nullptr;
    }
    std::shared_ptr<const CTlsServerContext> tls;
    if (read.config->tls) {
        tls = CTlsServerContext::Load(*read.config->tls, error);
        if (!tls) {
            return nullptr;
        }
    }
    return std::shared_ptr<const CWebSettings>(
        new CWebSettings(std::move(tls), std::move(read.config->users)));
}
