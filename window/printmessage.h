#pragma once

#include "print/printreport.h"

#include <memory>

class QMessageBox;
class QString;
class QWidget;

namespace bbt {

// Whether the page reached the print server: then it may still print, or the server knows
// why it did not.
bool PageHandedOver(PrintProblem problem);

// The box that tells the user how a print job went, titled `title`; none where the page
// printed. Its text is plain whatever the print system's names and reasons hold, and a
// reason of any length is cut to a few lines, so the box fits the screen.
std::unique_ptr<QMessageBox> PrintMessageBox(const PrintReport &report, const QString &title, QWidget *parent);

} // namespace bbt
