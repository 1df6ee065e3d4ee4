#include "RequestHead.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace {

// The characters of a method or a field name (RFC 9110 token).
bool IsTokenCharacter(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 ||
           std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

bool IsToken(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), IsTokenCharacter);
}

// A field value's characters: visible, spaces, tabs, and bytes above ASCII; never a control.
bool IsFieldValue(std::string_view text) {
    return std::none_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return (byte < 0x20 && c != '\t') || byte == 0x7F;
    });
}

std::string_view Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
    return lower;
}

// The items of a comma-separated field value, trimmed.
std::vector<std::string_view> ListItems(std::string_view list) {
    std::vector<std::string_view> items;
    while (!list.empty()) {
        const std::size_t comma = list.find(',');
        items.push_back(Trimmed(list.substr(0, comma)));
        list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
    }
    return items;
}

// Whether the comma-separated list holds token, in any case.
bool ListHolds(std::string_view list, std::string_view token) {
    const std::vector<std::string_view> items = ListItems(list);
    return std::any_of(items.begin(), items.end(),
                       [token](std::string_view item) { return Lower(item) == token; });
}

std::vector<std::string_view> Lines(std::string_view head) {
    std::vector<std::string_view> lines;
    while (!head.empty()) {
        const std::size_t end = head.find('\n');
        std::string_view line = head.substr(0, end);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        lines.push_back(line);
        head = end == std::string_view::npos ? std::string_view() : head.substr(end + 1);
    }
    return lines;
}

std::size_t FieldCount(const RequestHead& head, std::string_view lowerName) {
    return static_cast<std::size_t>(
        std::count_if(head.fields.begin(), head.fields.end(),
                      [lowerName](const auto& field) { return field.first == lowerName; }));
}

// A Host value: an IP literal in brackets, or a registered name or IPv4 address, then an optional port
// (RFC 3986 section 3.2.2); empty is allowed for a target with no authority.
bool IsHostValue(std::string_view host) {
    std::string_view name = host;
    if (host.starts_with('[')) {
        const std::size_t close = host.find(']');
        if (close == std::string_view::npos ||
            !std::all_of(host.begin() + 1, host.begin() + static_cast<std::ptrdiff_t>(close), [](char c) {
                return std::isxdigit(static_cast<unsigned char>(c)) != 0 || c == ':' || c == '.';
            })) {
            return false;
        }
        name = {};
        host.remove_prefix(close + 1);
    } else {
        const std::size_t colon = host.find(':');
        name = host.substr(0, colon);
        host = colon == std::string_view::npos ? std::string_view() : host.substr(colon);
    }
    const bool nameValid = std::all_of(name.begin(), name.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) != 0 ||
               std::string_view("-._~%!$&'()*+,;=").find(c) != std::string_view::npos;
    });
    const bool portValid =
        host.empty() || (host.front() == ':' && std::all_of(host.begin() + 1, host.end(), [](char c) {
                             return std::isdigit(static_cast<unsigned char>(c)) != 0;
                         }));
    return nameValid && portValid;
}

// Why the head's framing or Host cannot be trusted (RFC 9112 sections 3.2 and 6.3); empty when it can.
// A body whose length two fields disagree on would be read by one party as the next request.
std::string Untrusted(const RequestHead& head) {
    const std::size_t lengths = FieldCount(head, "content-length");
    const std::string_view length = head.Field("content-length").value_or("0");
    if (lengths > 1 || length.empty() || !std::all_of(length.begin(), length.end(), [](char c) {
            return std::isdigit(static_cast<unsigned char>(c)) != 0;
        })) {
        return "the request has more than one Content-Length, or one that is not a number";
    }
    if (head.Field("transfer-encoding") && (lengths > 0 || !head.http11)) {
        return "the request's length is given both by Transfer-Encoding and another way";
    }
    const std::size_t hosts = FieldCount(head, "host");
    if (hosts > 1 || (head.http11 && hosts == 0) || !IsHostValue(head.Field("host").value_or(""))) {
        return "an HTTP/1.1 request needs exactly one valid Host field";
    }
    return "";
}

} // namespace

std::optional<std::string_view> RequestHead::Field(std::string_view lowerName) const {
    for (const auto& [name, value] : fields) {
        if (name == lowerName) {
            return value;
        }
    }
    return std::nullopt;
}

bool RequestHead::KeepsAlive() const {
    const std::string_view connection = Field("connection").value_or("");
    return http11 ? !ListHolds(connection, "close") : ListHolds(connection, "keep-alive");
}

bool RequestHead::HasBody() const {
    return Field("transfer-encoding").has_value() || Field("content-length").value_or("0") != "0";
}

bool RequestHead::AcceptsGzip() const {
    for (const std::string_view item : ListItems(Field("accept-encoding").value_or(""))) {
        const std::size_t semicolon = item.find(';');
        const std::string coding = Lower(Trimmed(item.substr(0, semicolon)));
        const std::string parameters =
            semicolon == std::string_view::npos ? "" : Lower(Trimmed(item.substr(semicolon + 1)));
        const bool refused =
            parameters.starts_with("q=") && std::strtod(parameters.c_str() + 2, nullptr) <= 0;
        if ((coding == "gzip" || coding == "x-gzip") && !refused) {
            return true;
        }
    }
    return false;
}

HeadProgress CRequestReader::Feed(std::string_view bytes) {
    if (m_progress != HeadProgress::Incomplete) {
        // Kept for the next request (the caller bounds them with Pending); nothing after a refusal is read.
        if (m_progress == HeadProgress::Complete) {
            m_buffer.append(bytes);
        }
        return m_progress;
    }
    m_buffer.append(bytes);
    // Blank lines before a request line are skipped (RFC 9112, section 2.2).
    const std::size_t start = std::min(m_buffer.find_first_not_of("\r\n"), m_buffer.size());
    const std::size_t blank = m_buffer.substr(0, start).rfind('\n');
    if (blank != std::string::npos) {
        m_buffer.erase(0, blank + 1);
        m_searched = 0;
    }
    for (std::size_t at = m_buffer.find('\n', m_searched); at != std::string::npos;
         at = m_buffer.find('\n', at + 1)) {
        const bool emptyLine = (at >= 1 && m_buffer[at - 1] == '\n') ||
                               (at >= 2 && m_buffer[at - 1] == '\r' && m_buffer[at - 2] == '\n');
        if (emptyLine && m_buffer.find_first_not_of("\r\n") < at) {
            m_headLength = at + 1;
            return Parse(std::string_view(m_buffer).substr(0, m_headLength));
        }
    }
    m_searched = m_buffer.size();
    const std::size_t lineEnd = m_buffer.find('\n');
    if ((lineEnd == std::string::npos ? m_buffer.size() : lineEnd) > kLongestRequestLine) {
        return Refuse(414, "the request line is longer than 8 KiB");
    }
    if (m_buffer.size() > kLongestHead) {
        return Refuse(431, "the request head is longer than 16 KiB");
    }
    return m_progress;
}

HeadProgress CRequestReader::Next() {
    if (m_progress == HeadProgress::Complete) {
        const std::string rest = m_buffer.substr(m_headLength);
        *this = CRequestReader();
        (void)Feed(rest);
    }
    return m_progress;
}

HeadProgress CRequestReader::Refuse(int status, std::string reason) {
    m_refusalStatus = status;
    m_refusalReason = std::move(reason);
    m_progress = HeadProgress::Refused;
    return m_progress;
}

HeadProgress CRequestReader::Parse(std::string_view head) {
    const std::vector<std::string_view> lines = Lines(head);
    const std::string_view requestLine = lines.front();
    if (requestLine.size() > kLongestRequestLine) {
        return Refuse(414, "the request line is longer than 8 KiB");
    }
    if (head.size() > kLongestHead || lines.size() > kMostFields + 2) {
        return Refuse(431, "the request head is longer than 16 KiB or has more than 100 fields");
    }
    const std::size_t firstSpace = requestLine.find(' ');
    const std::size_t lastSpace = requestLine.rfind(' ');
    if (firstSpace == std::string_view::npos || firstSpace == lastSpace) {
        return Refuse(400, "the request line is not METHOD TARGET VERSION");
    }
    const std::string_view method = requestLine.substr(0, firstSpace);
    const std::string_view target = requestLine.substr(firstSpace + 1, lastSpace - firstSpace - 1);
    const std::string_view version = requestLine.substr(lastSpace + 1);
    const bool targetValid = !target.empty() && std::all_of(target.begin(), target.end(),
                                                            [](char c) { return c > 0x20 && c < 0x7F; });
    if (!IsToken(method) || !targetValid) {
        return Refuse(400, "the request line is not METHOD TARGET VERSION");
    }
    if (version != "HTTP/1.1" && version != "HTTP/1.0") {
        return version.starts_with("HTTP/") ? Refuse(505, "only HTTP/1.0 and HTTP/1.1 are served")
                                            : Refuse(400, "the request line is not METHOD TARGET VERSION");
    }
    m_head.method = method;
    m_head.target = target;
    m_head.http11 = version == "HTTP/1.1";
    for (std::size_t index = 1; index < lines.size() && !lines[index].empty(); ++index) {
        const std::string_view line = lines[index];
        const std::size_t colon = line.find(':');
        // A line folded onto the one before (obsolete) starts with white space, and its name holds none.
        if (colon == std::string_view::npos || !IsToken(line.substr(0, colon)) ||
            !IsFieldValue(line.substr(colon + 1))) {
            return Refuse(400, "a header field is malformed");
        }
        m_head.fields.emplace_back(Lower(line.substr(0, colon)), Trimmed(line.substr(colon + 1)));
    }
    if (std::string untrusted = Untrusted(m_head); !untrusted.empty()) {
        return Refuse(400, std::move(untrusted));
    }
    m_progress = HeadProgress::Complete;
    return m_progress;
}
