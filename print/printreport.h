#pragma once

#include <string>

namespace bbt {

// How a print job went, as far as the user needs to know.
enum class PrintProblem {
    None, // printed, or still on its way after the time it is followed
    NoDefaultPrinter, // none is set up, or the one named is not there
    ServerUnreachable, // no print server to connect to
    ServerSilent, // connected, but the server did not answer in time
    Refusing, // the printer does not accept jobs
    NeedsAuthentication, // the printer takes jobs only from users who give a password
    PageNotMade, // no page could be made for the printer's paper
    NoRoom, // the server has no room for the page: its disk is full, or the page too large
    SendFailed, // the server turned the job down for another reason
    Paused, // the page waits in the printer's queue until the printer is resumed
    Held, // the page waits in the queue until a time or until someone releases it
    HeldForAuthentication, // the page waits in the queue until someone gives a password
    NotFollowed, // the server took the page, then could no longer be asked how it went
    Stopped, // the printer or its backend stopped, aborted or cancelled the job
};

struct PrintReport {
    PrintProblem problem = PrintProblem::None;
    std::string printer{};
    // The server's or the printer's own words where it gave any; for a held job, until
    // when (CUPS's job-hold-until: "indefinite", "night", "18:30:00"…).
    std::string reason;
};

// The default printer's paper as the print server describes it. Lengths in millimetres.
struct PrinterPaper {
    std::string printer{};
    int resolution = 600; // dots per inch
    double width = 210, length = 297;
    double left = 0, top = 0, right = 0, bottom = 0; // the unprintable margins
};

} // namespace bbt
