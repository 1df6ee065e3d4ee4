#pragma once

#include <QObject>

#include <map>
#include <optional>

// The shared logic's timers, named by its ids, as Qt timers of one object: the object's timerEvent asks
// which of the logic's timers fired.
class CLogicTimers {
public:
    CLogicTimers(QObject& owner, Qt::TimerType type) : m_owner(owner), m_type(type) {}

    // Starts timer id anew with periodMs, stopping it first if it ran.
    void Start(int id, int periodMs);
    void Stop(int id);
    // The logic's id of the Qt timer qtTimerId; none for a timer the logic did not start.
    std::optional<int> IdOf(int qtTimerId) const;

private:
    QObject& m_owner;
    Qt::TimerType m_type;
    std::map<int, int> m_running; // the logic's id → Qt's
};
