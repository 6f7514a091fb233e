#pragma once

#include "paint/windowpicture.h"
#include "print/printreport.h"

#include <QString>

#include <memory>

class QMessageBox;
class QWidget;

namespace bbt {

// Whether the page reached the print server: then it may still print, or the server knows
// why it did not.
bool PageHandedOver(PrintProblem problem);

// The page "印刷" was pressed for, kept while the user may still want it as a PDF: the
// picture of the window at the press, and the chart's title the page is named after.
struct PressedPage {
    WindowPicture picture;
    QString title;
};

// The box that tells the user how a print job went, titled `title`; none where the page
// printed. Its text is plain whatever the print system's names and reasons hold, and a
// reason of any length is cut to a few lines, so the box fits the screen. Where the page
// did not print, it offers "PDFとして保存…" beside OK, which stays the default.
std::unique_ptr<QMessageBox> PrintMessageBox(const PrintReport &report, const QString &title, QWidget *parent);

// Tells how the print job went in PrintMessageBox, over `parent` or in a box of its own. The
// page offered is kept as a PDF where the user chooses in the desktop's save dialog; where
// it cannot be written there, a box says why and offers it again, until the page is kept or
// the user says OK.
void TellPrintOutcome(const PrintReport &report, const PressedPage &page, const QString &title, QWidget *parent);

// The name the PDF of a chart titled `title` is proposed under: the title with each
// character a file name cannot hold made a hyphen, cut to what a file system holds of a
// name; named after `untitled` where the title leaves nothing.
QString PdfFileName(const QString &title, const QString &untitled);

} // namespace bbt
