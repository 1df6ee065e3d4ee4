#pragma once

#include "runtime/WorkerThread.h"

#include <QEvent>

class CWorkerThread;

// The one message that crosses from a worker thread to a window: a link's or the search's state report,
// posted by a relay and handled on the window thread in posting order.
class CLinkStateEvent : public QEvent {
public:
    // The event type, registered once with Qt.
    static QEvent::Type EventType();

    CLinkStateEvent(const CWorkerThread* link, StateReport report)
        : QEvent(EventType()), m_link(link), m_report(report) {}

    // The reporting link; the window tells its links apart by this address.
    const CWorkerThread* Link() const { return m_link; }
    StateReport Report() const { return m_report; }

private:
    const CWorkerThread* m_link;
    StateReport m_report;
};
