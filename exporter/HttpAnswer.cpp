#include "HttpAnswer.h"

namespace {

const char* Reason(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 408:
        return "Request Timeout";
    case 414:
        return "URI Too Long";
    case 431:
        return "Request Header Fields Too Large";
    case 503:
        return "Service Unavailable";
    case 505:
        return "HTTP Version Not Supported";
    default:
        return "Error";
    }
}

} // namespace

std::size_t HttpAnswer::BodyLength() const {
    std::size_t length = 0;
    for (const std::shared_ptr<const std::string>& part : body) {
        length += part->size();
    }
    return length;
}

HttpAnswer TextAnswer(int status, const std::string& text) {
    HttpAnswer answer;
    answer.status = status;
    answer.body.push_back(std::make_shared<const std::string>(text + "\n"));
    return answer;
}

std::string AnswerHead(const HttpAnswer& answer, bool keepAlive, bool http10) {
    std::string head = "HTTP/1.1 " + std::to_string(answer.status) + ' ' + Reason(answer.status) + "\r\n";
    head += "Content-Type: " + answer.contentType + "\r\n";
    head += "Content-Length: " + std::to_string(answer.BodyLength()) + "\r\n";
    for (const auto& [name, value] : answer.fields) {
        head += name + ": " + value + "\r\n";
    }
    if (!keepAlive || answer.close) {
        head += "Connection: close\r\n";
    } else if (http10) {
        head += "Connection: keep-alive\r\n";
    }
    return head + "\r\n";
}
