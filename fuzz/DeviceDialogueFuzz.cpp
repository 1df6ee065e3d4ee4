// The device dialogue driven as a driver would drive it, with the times, sends and requests chosen by
// the input: what it may send, when, and what a run may report. An input is a dialect byte, then
// operations of one byte each, some followed by a length and that many bytes (see Operation).
#include "FuzzInput.h"

#include "link/DeviceDialogue.h"

#include <algorithm>
#include <chrono>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>

namespace {

enum Operation : std::uint8_t {
    Receive,        // a length, then that many bytes from the device, handed over only while it takes input
    Wait,           // a byte b: b * b milliseconds pass, then the driver looks at the limits
    Send,           // a byte n: the socket takes up to n bytes of a due command (0: it would block)
    RequestAddress, // a length, then "IP/MASK/GATEWAY"
    Connect,        // the connection stands
    Fail,           // a byte: the driver ends the run with a failure of its own
    Restart,        // a new run begins
    OperationCount,
};

constexpr LinkState kDriverFailures[] = {StateSocketFailed, StateConnectFailed, StateLinkClosed,
                                         StateReceiveFailed, StateSilent};

// Reads the operations' bytes in order; past the end every read gives 0.
class CScript {
public:
    explicit CScript(std::string_view bytes) : m_bytes(bytes) {}
    bool AtEnd() const { return m_bytes.empty(); }
    std::uint8_t Byte() {
        if (AtEnd()) {
            return 0;
        }
        const auto byte = static_cast<std::uint8_t>(m_bytes.front());
        m_bytes.remove_prefix(1);
        return byte;
    }
    std::string_view Counted() {
        const std::string_view text = m_bytes.substr(0, Byte());
        m_bytes.remove_prefix(text.size());
        return text;
    }

private:
    std::string_view m_bytes;
};

// Only the texts' digits and dots and the command's own words may reach the device.
bool IsSafeCommand(std::string_view command) {
    return command.find_first_not_of("0123456789abcdefghijklmnopqrstuvwxyz ./'>-\n") ==
           std::string_view::npos;
}

// A driver that keeps to the dialogue's contract and checks what it sees.
class CCheckingDriver {
public:
    explicit CCheckingDriver(unsigned short port) : m_dialogue(port) { Restart(); }

    void Step(CScript& script) {
        switch (script.Byte() % OperationCount) {
        case Receive: {
            const std::string_view bytes = script.Counted();
            if (m_dialogue.TakesInput()) {
                m_dialogue.OnReceived(bytes, m_now);
            }
            break;
        }
        case Wait:
            WaitMs(script.Byte());
            break;
        case Send:
            SendSome(script.Byte());
            break;
        case RequestAddress:
            RequestAddressChange(std::string(script.Counted()));
            break;
        case Connect:
            m_dialogue.OnConnected(m_now);
            break;
        case Fail:
            m_dialogue.End(kDriverFailures[script.Byte() % std::size(kDriverFailures)]);
            break;
        default:
            Restart();
            break;
        }
        CheckInvariants();
    }

private:
    void Restart() {
        m_dialogue.Start(m_now);
        m_lastCommandEnd.reset();
        m_midCommand = false;
        m_final.reset();
    }

    void WaitMs(std::uint8_t root) {
        m_now.monotonic += std::chrono::milliseconds(root * root);
        m_now.pcMicros += root * root * 1000;
        m_dialogue.OnTimer(m_now);
    }

    void SendSome(std::uint8_t most) {
        if (!m_dialogue.IsSendDue(m_now.monotonic) && !m_midCommand) {
            return;
        }
        const std::string_view pending = m_dialogue.PendingCommand();
        FuzzCheck(IsSafeCommand(pending), "only the dialogue's words and address digits are sent");
        const std::size_t taken = std::min<std::size_t>(most, pending.size());
        if (taken > 0 && !m_midCommand && m_lastCommandEnd) {
            FuzzCheck(m_now.monotonic - *m_lastCommandEnd >= std::chrono::milliseconds(LinkTiming{}.pacingMs),
                      "a command leaves at least one pacing after the one before it");
        }
        m_midCommand = true;
        m_dialogue.OnSent(taken, m_now);
        if (m_dialogue.PendingCommand().empty()) {
            m_midCommand = false;
            m_lastCommandEnd = m_now.monotonic;
        }
    }

    void RequestAddressChange(const std::string& texts) {
        const std::size_t first = texts.find('/');
        const std::size_t second = first == std::string::npos ? first : texts.find('/', first + 1);
        if (second == std::string::npos) {
            return;
        }
        m_dialogue.RequestAddressChange(texts.substr(0, first).c_str(),
                                        texts.substr(first + 1, second - first - 1).c_str(),
                                        texts.substr(second + 1).c_str(), m_now);
    }

    void CheckInvariants() {
        FuzzCheck(m_dialogue.ReceivedText().size() < kLinkBufferSize,
                  "the accumulator stays within its buffer");
        FuzzCheck(m_dialogue.ReceivedText().find('\0') == std::string_view::npos,
                  "no NUL in the accumulator");
        const DeviceSnapshot& snapshot = m_dialogue.Snapshot();
        FuzzCheck(snapshot.version.size() <= kVersionLength, "the version keeps at most 16 characters");
        const bool ended = m_dialogue.Phase() == DialoguePhase::Ended;
        FuzzCheck(ended == !m_dialogue.NextDeadline().has_value(), "a run that goes on has a deadline");
        if (!ended) {
            FuzzCheck(m_dialogue.State() == StateStarting || m_dialogue.State() == StateReady,
                      "a run that goes on is starting or ready");
            return;
        }
        FuzzCheck(m_dialogue.PendingCommand().empty() && !m_dialogue.TakesInput(), "an ended run is silent");
        FuzzCheck(!m_final || *m_final == m_dialogue.State(), "a run reports one final state");
        m_final = m_dialogue.State();
    }

    LinkInstant m_now;
    CDeviceDialogue m_dialogue;
    std::optional<LinkClock::time_point> m_lastCommandEnd;
    bool m_midCommand = false;
    std::optional<LinkState> m_final;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    CCheckingDriver driver((data[0] & 1) != 0 ? kTelnetPort : kShellPort);
    CScript script(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1));
    while (!script.AtEnd()) {
        driver.Step(script);
    }
    return 0;
}
