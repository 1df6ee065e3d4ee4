#pragma once

#include <string>

// Creates a folder of the caller's own in TMPDIR (or /tmp when unset; on Windows its temporary folder),
// named prefix followed by a unique ending; its path, or empty when it could not be made.
std::string MakeTemporaryFolder(const std::string& prefix);
