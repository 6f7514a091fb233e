#pragma once

#include "print/printreport.h"

#include <memory>
#include <string>

#include <cups/ipp.h>

namespace bbt {

struct IppDelete {
    void operator()(ipp_t *ipp) const;
};
using Ipp = std::unique_ptr<ipp_t, IppDelete>;

// What became of one request to the print server, as a value of its own: whether the server
// answered at all, and where it did, what it said. "No answer" is never a status.
struct IppAnswer {
    enum class Heard {
        Answered, // an IPP message, or an HTTP status in place of one
        Unreadable, // the server spoke, but no IPP message, or more of one than is ever read
        Silent, // quiet for longer than an answer's silence, or past the request's limit
        Lost, // no connection, or it broke before the answer
    };
    Heard heard = Heard::Lost;
    // Where the request ended in HTTP rather than IPP (401, 413, 500…), its status as the
    // server sent it; OK where there is an IPP message.
    int http = HTTP_STATUS_OK;
    Ipp message{}; // where the server gave one
    // The message's, as the server sent it: any 16-bit number, not only those IPP names.
    int status = IPP_STATUS_OK;
    std::string reason{}; // the server's own words: its status-message, or its HTTP status

    bool Succeeded() const;
};

// Where the page stood when a request did not succeed.
enum class PageStage {
    NotSent, // not every byte of the page had gone out: nothing can print
    AllSent, // the server had every byte: an answer that never came may hide a page that prints
};

// What a request that did not succeed means for the user: `otherwise` where the server said no
// for a reason of its own. A server that answered, however it said no, is never told as
// unreachable or silent.
PrintReport FailureOf(const IppAnswer &answer, PageStage stage, PrintProblem otherwise, const std::string &printer);

} // namespace bbt
