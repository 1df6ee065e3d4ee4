// The exporter's reading of a client's Authorization header: what it accepts is a user name without a
// colon and a password, neither with a control character, and the same two written back as a header read
// back to themselves.
#include "FuzzInput.h"

#include "exporter/BasicAuth.h"

#include <openssl/evp.h>

#include <string>

namespace {

bool HasControl(const std::string& text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x20) {
            return true;
        }
    }
    return false;
}

std::string Header(const BasicCredentials& credentials) {
    const std::string plain = credentials.user + ':' + credentials.password;
    std::string encoded((plain.size() + 2) / 3 * 4 + 1, '\0');
    const int length =
        EVP_EncodeBlock(reinterpret_cast<unsigned char*>(encoded.data()),
                        reinterpret_cast<const unsigned char*>(plain.data()), static_cast<int>(plain.size()));
    encoded.resize(static_cast<std::size_t>(length));
    return "Basic " + encoded;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::optional<BasicCredentials> credentials = ParseBasicAuthorization(AsText(data, size));
    if (!credentials) {
        return 0;
    }
    FuzzCheck(credentials->user.find(':') == std::string::npos, "the user name holds no colon");
    FuzzCheck(!HasControl(credentials->user) && !HasControl(credentials->password),
              "no control character passes");
    const std::optional<BasicCredentials> again = ParseBasicAuthorization(Header(*credentials));
    FuzzCheck(again && again->user == credentials->user && again->password == credentials->password,
              "the credentials written back read back the same");
    return 0;
}
