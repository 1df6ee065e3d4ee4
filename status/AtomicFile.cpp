#include "AtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

bool WriteFileAtomically(const std::string& path, const std::string& text, std::string& error) {
    // A name the scraper skips (it reads *.prom only) in the same folder, so that rename stays atomic.
    const std::string temporary = path + ".tmp";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        if (!(file << text) || !file.flush()) {
            error = "cannot write '" + temporary + "'";
            return false;
        }
    }
    std::error_code code;
    std::filesystem::rename(temporary, path, code);
    if (code) {
        error = "cannot rename '" + temporary + "' to '" + path + "': " + code.message();
        std::filesystem::remove(temporary, code);
        return false;
    }
    return true;
}
