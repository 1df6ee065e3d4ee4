#pragma once

#include "ui/CommandLine.h"
#include "ui/win32/ConfigDlg.h"
#include "ui/win32/MessageBoxes.h"

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

// Wine's first window in a fresh prefix can take seconds; connecting on a busy machine more.
inline constexpr std::chrono::milliseconds kWindowTimeout{30000};

// Answers every message box of the window at once, so that none stops a test: an error with OK, a
// question with confirmAnswer; keeps their texts.
class CAnsweringBoxes : public CMessageBoxes {
public:
    MessageAnswer Show(HWND, const std::string& text, const std::string&, MessageKind kind) override {
        texts.push_back(text);
        return kind == MessageKind::Confirm ? confirmAnswer : MessageAnswer::Ok;
    }
    MessageAnswer confirmAnswer = MessageAnswer::No;
    std::vector<std::string> texts;
};

// This thread's top-level window with that title; null when it has none.
HWND ThisThreadsWindow(const std::wstring& title);

// Runs dialog in this thread with commandLine, calling step on a timer of the same thread, which the
// dialog's own message loop serves, so that step reads the window's state between two of its messages;
// closes the window once step returns true or timeout has passed. Whether step returned true.
bool RunWindow(CConfigDlg& dialog, const CommandLine& commandLine, std::function<bool(HWND)> step,
               std::chrono::milliseconds timeout);
