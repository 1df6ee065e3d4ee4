#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// A request's head as the client sent it: request line and header fields.
struct RequestHead {
    std::string method;
    std::string target;                                      // as sent: path and query, still percent-encoded
    bool http11 = true;                                      // HTTP/1.1; false: HTTP/1.0
    std::vector<std::pair<std::string, std::string>> fields; // names in lower case, values trimmed

    // The first value of the field named lowerName.
    std::optional<std::string_view> Field(std::string_view lowerName) const;
    // Whether the connection may carry another request after this one's answer.
    bool KeepsAlive() const;
    // Whether a body follows (the exporter takes none).
    bool HasBody() const;
    // Whether the client takes a gzip-compressed answer (Accept-Encoding names gzip, not with q=0).
    bool AcceptsGzip() const;
};

// How far the head has come.
enum class HeadProgress {
    Incomplete, // more bytes are needed
    Complete,   // the head is read; Head() holds it
    Refused,    // malformed or too large; RefusalStatus() says how to answer
};

// Reads one request head from bytes as they arrive, within fixed limits: the request line 8 KiB (414),
// the whole head 16 KiB and 100 fields (431); anything malformed is 400, and so is a body length given
// twice or two ways, or an HTTP/1.1 request without exactly one valid Host. Only the new bytes are searched
// for the head's end, so a client that sends a byte at a time costs no more than one that sends all.
class CRequestReader {
public:
    static constexpr std::size_t kLongestRequestLine = 8192;
    static constexpr std::size_t kLongestHead = 16384;
    static constexpr std::size_t kMostFields = 100;

    // Adds bytes; returns where the head stands. Bytes after a complete head stay for the next request.
    HeadProgress Feed(std::string_view bytes);
    // The bytes kept beyond a complete head.
    std::size_t Pending() const {
        return m_progress == HeadProgress::Complete ? m_buffer.size() - m_headLength : 0;
    }
    HeadProgress Progress() const { return m_progress; }
    // Whether any byte of a request has come (blank lines before it do not count).
    bool HasStarted() const { return m_buffer.find_first_not_of("\r\n") != std::string::npos; }
    const RequestHead& Head() const { return m_head; }
    int RefusalStatus() const { return m_refusalStatus; }
    const std::string& RefusalReason() const { return m_refusalReason; }
    // Forgets the complete head and reads the next one from the bytes that followed it.
    HeadProgress Next();

private:
    HeadProgress Refuse(int status, std::string reason);
    HeadProgress Parse(std::string_view head);

    std::string m_buffer;
    std::size_t m_searched = 0; // bytes of m_buffer already searched for the head's end
    HeadProgress m_progress = HeadProgress::Incomplete;
    std::size_t m_headLength = 0;
    RequestHead m_head;
    int m_refusalStatus = 0;
    std::string m_refusalReason;
};
