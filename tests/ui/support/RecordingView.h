#pragma once

#include "ui/Alarm.h"
#include "ui/DialogView.h"

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

// A window that only remembers what the logic told it: every state it was put in, and, in order, the
// texts it was given, its relayouts and the presses it was asked for (calls). A box answers
// confirmAnswer (OK for an error); whileBoxOpen, when set, runs once inside the next box, as the box's
// nested event loop would deliver whatever was queued.
class CRecordingView : public CDialogView {
public:
    std::string ItemText(int id) const override { return Find(m_texts, id, std::string()); }
    void SetItemText(int id, const std::string& text) override {
        m_texts[id] = text;
        calls.push_back("text " + std::to_string(id) + " " + text);
    }
    void SetAddressChoices(const std::vector<std::string>& addresses) override {
        m_addressChoices = addresses;
    }
    void SaveRecentAddresses(const std::vector<std::string>& addresses) override {
        m_savedRecent = addresses;
    }
    void EnableItem(int id, bool enabled) override { m_enabled[id] = enabled; }
    bool IsItemChecked(int id) const override { return Find(m_checked, id, false); }
    void SetItemChecked(int id, bool checked) override { m_checked[id] = checked; }
    void ShowItem(int, bool) override {}
    void SetStatusActive(int, bool) override {}
    void SetLamp(int, int) override {}
    void SetLampTooltip(int lampId, const std::string& text) override { m_lampTips[lampId] = text; }
    void RelayoutWindow() override { calls.emplace_back("relayout"); }
    void PressWhenShown(int id) override { calls.push_back("press " + std::to_string(id)); }
    void StartTimer(int timerId, int) override { m_timers.insert(timerId); }
    void StopTimer(int timerId) override { m_timers.erase(timerId); }
    void RepaintWindow() override {}
    MessageAnswer ShowMessage(const std::string& text, const std::string&, MessageKind kind) override {
        m_messages.push_back(text);
        if (std::function<void()> nested = std::exchange(whileBoxOpen, nullptr)) {
            nested();
        }
        return kind == MessageKind::Confirm ? confirmAnswer : MessageAnswer::Ok;
    }
    void EndDialog(int result) override { m_endResult = result; }
    void RaiseAlarm(const Alarm& alarm) override { m_alarms.push_back(alarm); }
    void WithdrawAlarms() override { ++m_withdrawals; }
    void WithdrawAlarm(const Alarm& alarm) override { m_withdrawnAlarms.push_back(alarm); }
    void SetTrayTip(const std::string& text) override { m_trayTip = text; }

    bool IsEnabled(int id) const { return Find(m_enabled, id, true); }
    bool IsTimerRunning(int timerId) const { return m_timers.contains(timerId); }

    MessageAnswer confirmAnswer = MessageAnswer::Yes;
    std::function<void()> whileBoxOpen;
    std::vector<std::string> calls;

    std::map<int, std::string> m_texts;
    std::map<int, std::string> m_lampTips;
    std::vector<std::string> m_messages;
    std::optional<int> m_endResult;
    std::vector<Alarm> m_alarms;
    std::vector<Alarm> m_withdrawnAlarms;
    int m_withdrawals = 0;
    std::string m_trayTip;
    std::vector<std::string> m_addressChoices;
    std::vector<std::string> m_savedRecent;

private:
    template <typename Value>
    static Value Find(const std::map<int, Value>& values, int id, Value absent) {
        const auto found = values.find(id);
        return found == values.end() ? absent : found->second;
    }

    std::map<int, bool> m_enabled;
    std::map<int, bool> m_checked;
    std::set<int> m_timers;
};
