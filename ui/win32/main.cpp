// The entry point: the command line as the Qt program reads it, then the application.
#include "ConfigApp.h"
#include "WideText.h"
#include "ui/CommandLine.h"

#include <windows.h>

#include <shellapi.h>

#include <optional>
#include <string>
#include <vector>

namespace {

constexpr const wchar_t* kProgramName = L"vantrex-config";

std::vector<std::string> ArgumentsAfterName() {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> result;
    for (int index = 1; index < count; ++index) {
        result.push_back(Narrow(arguments[index]));
    }
    LocalFree(arguments);
    return result;
}

// Writes to a console: the one of the shell that started the program, when there is one.
bool WriteToParentConsole(const std::string& text, DWORD standardHandle) {
    HANDLE output = GetStdHandle(standardHandle);
    if (output == nullptr || output == INVALID_HANDLE_VALUE) {
        // A program for the Windows subsystem has no console of its own; it may borrow its parent's.
        if (!AttachConsole(ATTACH_PARENT_PROCESS)) {
            return false;
        }
        output = CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        if (output == INVALID_HANDLE_VALUE) {
            return false;
        }
    }
    std::string crlf;
    for (char c : text) {
        crlf += c == '\n' ? "\r\n" : std::string(1, c);
    }
    DWORD written = 0;
    return WriteFile(output, crlf.data(), static_cast<DWORD>(crlf.size()), &written, nullptr) != FALSE;
}

// Shows what a command line without a window asks for on the parent's console, or in a message box
// when started without one.
void Tell(const std::string& text, bool error) {
    if (!WriteToParentConsole(text, error ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE)) {
        MessageBoxW(nullptr, Widen(text).c_str(), kProgramName, error ? MB_OK | MB_ICONHAND : MB_OK);
    }
}

// Shows what a command line without a window asks for and gives the exit status; nothing when the
// window is to open.
std::optional<int> AnswerWithoutWindow(const CommandLine& commandLine) {
    const std::optional<CommandLineAnswer> answer = AnswerWithoutWindow(commandLine, CommandLineUsage());
    if (!answer) {
        return std::nullopt;
    }
    Tell(answer->text, answer->error);
    return answer->exitStatus;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    const CommandLine commandLine = ParseCommandLine(ArgumentsAfterName());
    if (const std::optional<int> status = AnswerWithoutWindow(commandLine)) {
        return *status;
    }
    CConfigApp app(instance);
    app.InitInstance(commandLine);
    return 0;
}
