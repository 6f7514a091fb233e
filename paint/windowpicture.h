#pragma once

#include <QByteArray>
#include <QSizeF>
#include <QString>

namespace bbt {

// The window as it stood at one moment, to be put on paper later, on any thread: its
// white ground, the chart drawn so far and every control as the user saw it, all as
// lines, fills and text in twips, with no bitmap anywhere. A plain value that shares
// nothing with the window, so whatever the user does afterwards does not reach it.
struct WindowPicture {
    QString title; // the window's caption, the document's title
    QSizeF size; // the client area in twips
    QByteArray drawing; // a QPicture's data, in twips
};

} // namespace bbt
