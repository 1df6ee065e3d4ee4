#pragma once

#include <string>

// What an offscreen Qt program needs before its QApplication exists: the offscreen platform and, when
// none is set, a private runtime folder (removed again at the end). Programs started later inherit both.
class COffscreenEnvironment {
public:
    COffscreenEnvironment();
    ~COffscreenEnvironment();
    COffscreenEnvironment(const COffscreenEnvironment&) = delete;
    COffscreenEnvironment& operator=(const COffscreenEnvironment&) = delete;

private:
    std::string m_runtimeFolder;
};
