#pragma once

class QPrinter;
class QWidget;

namespace bbt {

class ChartLayer;

enum class PrintOutcome { Printed, CouldNotStart, Failed };

// Prints `window` as it stands at its real size, one twip of the window being one twip
// of paper, at the top left of the printable area: its white ground, the chart drawn so
// far and every control on top. Everything is drawn at the printer's resolution; the
// chart comes from its primitives, not from the screen's picture.
PrintOutcome PrintWindow(QWidget &window, const ChartLayer &chart, QPrinter &printer);

} // namespace bbt
