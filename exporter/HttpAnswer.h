#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

// One answer to a request. The body is a list of parts sent one after the other, so that a page kept
// for every scrape (a megabyte for a thousand devices) is sent from where it is kept, never copied.
struct HttpAnswer {
    int status = 200;
    std::string contentType = "text/plain; charset=utf-8";
    std::vector<std::pair<std::string, std::string>> fields; // Retry-After, Allow, Content-Encoding...
    std::vector<std::shared_ptr<const std::string>> body;
    bool close = false; // the connection ends after this answer

    std::size_t BodyLength() const;
};

// A short text answer: status, the text and a line feed.
HttpAnswer TextAnswer(int status, const std::string& text);

// The status line and header fields of answer (a HEAD request gets them alone, with the same length);
// the connection is announced as closing when it will not be kept, and to an HTTP/1.0 client, whose
// connections close unless told otherwise, as kept when it will be.
std::string AnswerHead(const HttpAnswer& answer, bool keepAlive, bool http10);
