#include "LinkStateEvent.h"

QEvent::Type CLinkStateEvent::EventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}
