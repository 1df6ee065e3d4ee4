#include "FakeMessageBoxes.h"

#include "EventLoopWait.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

// Long enough for reports already queued or about to be posted to arrive while the box is up.
constexpr int kOpenMs = 150;

} // namespace

void CFakeMessageBoxes::QueueAnswer(MessageAnswer answer) {
    m_answers.push_back(answer);
}

void CFakeMessageBoxes::WhileNextBoxIsOpen(std::function<void()> action) {
    m_whileOpen = std::move(action);
}

MessageAnswer CFakeMessageBoxes::Show(QWidget& owner, const std::string& text, const std::string& caption,
                                      MessageKind kind) {
    RecordedBox box{text, caption, kind, {}};
    if (const auto* window = qobject_cast<const CConfigDlg*>(&owner)) {
        box.window = SnapshotOf(*window);
    } else {
        ADD_FAILURE() << "the box \"" << text << "\" is not owned by the configuration window";
    }
    m_boxes.push_back(box);
    // Taken out first: the action may open a box itself.
    if (const std::function<void()> action = std::exchange(m_whileOpen, nullptr)) {
        action();
    }
    ProcessEventsFor(kOpenMs);
    if (kind == MessageKind::Error) {
        return MessageAnswer::Ok;
    }
    if (m_answers.empty()) {
        ADD_FAILURE() << "unexpected question \"" << text << "\"";
        return MessageAnswer::No; // the answer that changes nothing on the device
    }
    const MessageAnswer answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

std::vector<RecordedBox> CFakeMessageBoxes::TakeBoxes() {
    return std::exchange(m_boxes, {});
}
