#pragma once

#include "ui/DialogView.h"

#include <map>
#include <string>
#include <vector>

// A window that writes down, in order, what it is told to show and to do; texts are kept so that they
// can be read back. Looks, lamps, timers and boxes are not written down.
class CCallLogView : public CDialogView {
public:
    std::string ItemText(int id) const override {
        const auto text = m_texts.find(id);
        return text != m_texts.end() ? text->second : std::string();
    }
    void SetItemText(int id, const std::string& text) override {
        m_texts[id] = text;
        calls.push_back("text " + std::to_string(id) + " " + text);
    }
    void RelayoutWindow() override { calls.emplace_back("relayout"); }
    void PressWhenShown(int id) override { calls.push_back("press " + std::to_string(id)); }

    void EnableItem(int, bool) override {}
    bool IsItemChecked(int) const override { return false; }
    void SetItemChecked(int, bool) override {}
    void ShowItem(int, bool) override {}
    void SetStatusActive(int, bool) override {}
    void SetLamp(int, int) override {}
    void StartTimer(int, int) override {}
    void StopTimer(int) override {}
    void RepaintWindow() override {}
    MessageAnswer ShowMessage(const std::string&, const std::string&, MessageKind) override {
        return MessageAnswer::Ok;
    }
    void EndDialog(int) override {}

    std::vector<std::string> calls;

private:
    std::map<int, std::string> m_texts;
};
