#pragma once

#include "WindowProbe.h"

#include "ui/qt/MessageBoxes.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

// One message box the window opened, with the window as it was when the box appeared.
struct RecordedBox {
    std::string text;
    std::string caption;
    MessageKind kind = MessageKind::Error;
    WindowSnapshot window;
};

// Message boxes that never open: each one is recorded and answered from a queue. While "open", a box
// runs the event loop for a moment, as a real modal box does, so that reports arriving meanwhile reach
// the window in the middle of its handler.
class CFakeMessageBoxes : public CMessageBoxes {
public:
    // Answers the next question (the Confirm box) with answer; unqueued questions are answered No.
    void QueueAnswer(MessageAnswer answer);
    // Runs action once, while the next box is open (after it was recorded, before it is answered).
    void WhileNextBoxIsOpen(std::function<void()> action);
    // Records the box and answers it; error boxes are answered Ok.
    MessageAnswer Show(QWidget& owner, const std::string& text, const std::string& caption,
                       MessageKind kind) override;

    // Every box so far, oldest first.
    const std::vector<RecordedBox>& Boxes() const { return m_boxes; }
    // The boxes so far, which are then forgotten (for tests that check one step at a time).
    std::vector<RecordedBox> TakeBoxes();

private:
    std::deque<MessageAnswer> m_answers;
    std::function<void()> m_whileOpen;
    std::vector<RecordedBox> m_boxes;
};
