#pragma once

#include "print/ippanswer.h"
#include "print/printreport.h"

#include <optional>
#include <string>
#include <string_view>

#include <cups/ipp.h>

namespace bbt {

// What the print server's answers say, read from IPP messages held in memory. Any server on
// the network may send any bytes, so nothing here believes what it reads without a check: a
// paper, margin or resolution no real printer has is left at the program's own (A4 at 600
// dpi), a missing attribute or one of the wrong type counts as not said.

// The IPP message at the start of `bytes`, read as libcups reads one from a connection; none
// where they hold no whole message.
Ipp IppMessageOf(std::string_view bytes);

// The name of the printer a CUPS-Get-Default answer names, without its instance
// ("printer/instance"); empty where it names none.
std::string DefaultPrinterOf(ipp_t *answer);

// The printer's paper and resolution as a Get-Printer-Attributes answer describes them.
PrinterPaper PaperOf(ipp_t *attributes);
// The printer's own description of that paper (its media-col-default), to be stated with a
// job as it was read; none where the paper was not believed.
ipp_t *BelievedMediaOf(ipp_t *attributes);

struct PrinterState {
    bool stopped = false; // paused, or stopped by a failure
    bool accepting = true;
    std::string message; // the printer's own words on its state
};
PrinterState PrinterStateOf(ipp_t *attributes);

// The number a Create-Job answer gave the job; 0 where it gave none a job can have.
int JobIdOf(ipp_t *answer);

// The outcome a job's and its printer's attributes tell, for `printer`; none while the job is
// on its way.
std::optional<PrintReport> JobOutcomeOf(ipp_t *job, ipp_t *printerAttributes, const std::string &printer);

} // namespace bbt
