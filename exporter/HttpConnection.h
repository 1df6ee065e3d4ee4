#pragma once

#include "ConnectionStream.h"
#include "HttpServer.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// One connection's record: what has come of the request under way, what it waits for, until when. It
// lives while the loop watches its socket, and closes itself when it is done.
class CHttpConnection : public std::enable_shared_from_this<CHttpConnection> {
public:
    using Clock = std::chrono::steady_clock;

    CHttpConnection(CHttpServer& server, std::unique_ptr<CTcpStream> stream);
    CHttpConnection(const CHttpConnection&) = delete;
    CHttpConnection& operator=(const CHttpConnection&) = delete;

    // Starts watching the socket; false (and closed) when the loop cannot.
    bool Start();
    const std::string& Client() const { return m_client; }
    // How readily it gives way to a new connection at the limit, the least first: after an answer, waiting
    // for the next request or lingering (since then); else with no request whole yet (since it came). Empty
    // while a request is answered. The newest connections give way last: they have had no time to ask.
    std::optional<std::pair<int, Clock::time_point>> GiveWayRank() const;
    // The server stops: what has no request under way ends now, a request being answered is cancelled,
    // an answer being written gets a last moment.
    void Shut();
    // Closes at once, whatever it was doing (it gives way to a new connection).
    void Close();

private:
    enum class Stage {
        Idle,      // no request begun
        Reading,   // a request's head is coming, within the request deadline
        Answering, // the handler has the request
        Writing,   // the answer is being sent
        Lingering, // the answer closed the connection; the client's last bytes are dropped
    };

    void OnEvents(unsigned events);
    void OnReadable();
    void OnWritable();
    void OnPeerEnded();
    void CloseAndCancel();
    void BeginIfStarted();
    void Take();
    void Dispatch();
    void Deliver(HttpAnswer answer);
    void Refuse(int status, const std::string& reason);
    void Write(HttpAnswer answer);
    void ContinueWrite();
    void EndWrite(bool whole);
    void NextRequest();
    void Linger();
    void OnTimer();
    void ArmTimer(Clock::duration span);
    void CancelTimer();
    // Asks the loop for what the stage needs: reading unless the client ended or enough is kept,
    // writing while an answer is unsent.
    void UpdateWatch();

    CHttpServer& m_server;
    CEventLoop& m_loop;
    std::unique_ptr<CConnectionStream> m_stream;
    const WaitHandle m_socket;
    const std::string m_client;
    LoopTimerId m_timer = 0;
    bool m_drainDue = false; // a read of plaintext TLS holds is due without the socket
    CRequestReader m_reader;
    bool m_closed = false;
    bool m_peerEnded = false; // the client has ended its sending side
    Stage m_stage = Stage::Idle;
    const Clock::time_point m_accepted = Clock::now();
    bool m_answered = false; // an answer has been sent on it
    Clock::time_point m_started = Clock::now();
    Clock::time_point m_idleSince = Clock::now();
    std::optional<HttpRequest> m_request;
    std::shared_ptr<CHttpReply> m_reply;
    HttpAnswer m_answer;
    std::string m_answerHead;
    std::vector<std::string_view> m_unsent; // the answer's parts still to send, the first perhaps in part
};
