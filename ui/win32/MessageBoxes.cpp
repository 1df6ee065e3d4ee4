#include "MessageBoxes.h"

#include "WideText.h"

MessageAnswer CMessageBoxes::Show(HWND owner, const std::string& text, const std::string& caption,
                                  MessageKind kind) {
    const UINT style = kind == MessageKind::Error ? MB_OK | MB_ICONHAND : MB_YESNO | MB_ICONEXCLAMATION;
    const int answer = MessageBoxW(owner, Widen(text).c_str(), Widen(caption).c_str(), style);
    if (kind == MessageKind::Error) {
        return MessageAnswer::Ok;
    }
    return answer == IDYES ? MessageAnswer::Yes : MessageAnswer::No;
}
