#include "window/windowpainting.h"

#include "paint/chartlayer.h"
#include "paint/painterchartsurface.h"
#include "paint/twips.h"

#include <QCheckBox>
#include <QLabel>
#include <QPainter>
#include <QPicture>
#include <QPlainTextEdit>
#include <QPolygonF>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOption>

#include <algorithm>

namespace bbt {

namespace {

// Outlines are one pixel of the window wide, as on screen: 15 twips on paper, the width
// of the chart's lines.
constexpr qreal OutlineWidth = 1;
constexpr qreal ButtonCornerRadius = 2;

QPalette::ColorGroup GroupOf(const QWidget &control)
{
    return control.isEnabled() ? QPalette::Active : QPalette::Disabled;
}

QColor Colour(const QWidget &control, QPalette::ColorRole role)
{
    return control.palette().color(GroupOf(control), role);
}

// The frame colour the widget style gives controls on the window's ground.
QColor Outline(const QWidget &control)
{
    return Colour(control, QPalette::Window).darker(140);
}

// A rectangle of whole pixels framed by a line inside its edge.
void PaintFramedRect(QPainter &painter, const QRect &rect, const QColor &fill, const QColor &outline,
                     qreal cornerRadius = 0)
{
    painter.setPen(QPen(outline, OutlineWidth));
    painter.setBrush(fill);
    const qreal inset = OutlineWidth / 2;
    painter.drawRoundedRect(QRectF(rect).adjusted(inset, inset, -inset, -inset), cornerRadius, cornerRadius);
}

void PaintButton(QPainter &painter, const QPushButton &button)
{
    PaintFramedRect(painter, button.rect(), Colour(button, QPalette::Button), Outline(button), ButtonCornerRadius);
    painter.setFont(button.font());
    painter.setPen(Colour(button, QPalette::ButtonText));
    painter.drawText(button.rect(), Qt::AlignCenter, button.text());
}

QStyleOptionButton CheckBoxOption(const QCheckBox &box)
{
    QStyleOptionButton option;
    option.initFrom(&box);
    option.text = box.text();
    return option;
}

// The tick of a check box, as a stroke through three points of its indicator.
void PaintTick(QPainter &painter, const QRectF &indicator, const QColor &colour)
{
    const qreal width = std::max(1.5, indicator.height() * 0.15);
    painter.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const auto at = [&indicator](qreal x, qreal y) {
        return indicator.topLeft() + QPointF(x * indicator.width(), y * indicator.height());
    };
    painter.drawPolyline(QPolygonF{at(0.22, 0.52), at(0.42, 0.72), at(0.78, 0.28)});
}

void PaintCheckBox(QPainter &painter, const QCheckBox &box)
{
    const QStyleOptionButton option = CheckBoxOption(box);
    const QRect indicator = box.style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, &box);
    const QRect caption = box.style()->subElementRect(QStyle::SE_CheckBoxContents, &option, &box);

    PaintFramedRect(painter, indicator, Colour(box, QPalette::Base), Outline(box));
    switch (box.checkState()) {
    case Qt::Unchecked:
    case Qt::PartiallyChecked: // the window's box takes two states only
        break;
    case Qt::Checked:
        PaintTick(painter, indicator, Colour(box, QPalette::Text));
        break;
    }
    painter.setFont(box.font());
    painter.setPen(Colour(box, box.foregroundRole()));
    painter.drawText(caption, Qt::AlignLeft | Qt::AlignVCenter, box.text());
}

void PaintLabel(QPainter &painter, const QLabel &label)
{
    const int margin = label.margin();
    painter.setClipRect(label.rect());
    painter.setFont(label.font());
    painter.setPen(Colour(label, label.foregroundRole()));
    painter.drawText(label.contentsRect().adjusted(margin, margin, -margin, -margin), int(label.alignment()),
                     label.text());
}

QStyleOptionSlider ScrollBarOption(const QScrollBar &bar)
{
    QStyleOptionSlider option;
    option.initFrom(&bar);
    option.subControls = QStyle::SC_All;
    option.orientation = Qt::Vertical;
    option.minimum = bar.minimum();
    option.maximum = bar.maximum();
    option.sliderPosition = bar.sliderPosition();
    option.sliderValue = bar.value();
    option.singleStep = bar.singleStep();
    option.pageStep = bar.pageStep();
    option.upsideDown = bar.invertedAppearance();
    return option;
}

// A triangle in the middle of `rect`, pointing up or down.
QPolygonF Arrow(const QRectF &rect, bool up)
{
    const qreal half = std::min(rect.width(), rect.height()) / 4;
    const qreal tip = up ? -half / 2 : half / 2;
    const QPointF centre = rect.center();
    return {centre + QPointF(-half, -tip), centre + QPointF(half, -tip), centre + QPointF(0, tip)};
}

void PaintArrowButton(QPainter &painter, const QScrollBar &bar, const QRect &button, bool up)
{
    PaintFramedRect(painter, button, Colour(bar, QPalette::Button), Outline(bar));
    painter.setPen(Qt::NoPen);
    painter.setBrush(Colour(bar, QPalette::ButtonText));
    painter.drawPolygon(Arrow(button, up));
}

// The text box's vertical scroll bar: its groove, the handle where the text is scrolled
// to, and the two arrow buttons, where the widget style puts them.
void PaintScrollBar(QPainter &painter, const QScrollBar &bar)
{
    const QStyleOptionSlider option = ScrollBarOption(bar);
    const auto part = [&](QStyle::SubControl subControl) {
        return bar.style()->subControlRect(QStyle::CC_ScrollBar, &option, subControl, &bar);
    };
    painter.fillRect(bar.rect(), Colour(bar, QPalette::Window).darker(110));
    PaintFramedRect(painter, part(QStyle::SC_ScrollBarSlider), Colour(bar, QPalette::Button), Outline(bar));
    PaintArrowButton(painter, bar, part(QStyle::SC_ScrollBarSubLine), true);
    PaintArrowButton(painter, bar, part(QStyle::SC_ScrollBarAddLine), false);
}

// Paints with `paint` in the coordinates of a control whose top left corner is at `at`.
template <typename Paint>
void PaintAt(QPainter &painter, QPoint at, Paint paint)
{
    painter.save();
    painter.translate(at);
    paint();
    painter.restore();
}

// The box's text as it shows it, scrolled where the user left it, comes from the box's
// own painting; only the frame and the scroll bar are drawn here. The text cursor blinks
// where the focus happens to be and is no part of the page: for its painting the box is
// one that cannot be typed in, and it is given back as it was.
void PaintTextBox(QPainter &painter, QPlainTextEdit &box)
{
    QWidget &text = *box.viewport();
    const Qt::TextInteractionFlags typing = box.textInteractionFlags();
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    text.render(&painter, text.pos(), QRegion(), QWidget::DrawWindowBackground);
    box.setTextInteractionFlags(typing);
    const QScrollBar &bar = *box.verticalScrollBar();
    if (bar.isVisibleTo(&box))
        PaintAt(painter, bar.mapTo(&box, QPoint(0, 0)), [&] { PaintScrollBar(painter, bar); });
    painter.setPen(QPen(Outline(box), OutlineWidth));
    painter.setBrush(Qt::NoBrush);
    const qreal inset = OutlineWidth / 2;
    painter.drawRect(QRectF(box.rect()).adjusted(inset, inset, -inset, -inset));
}

void PaintControl(QPainter &painter, QWidget &control)
{
    if (control.autoFillBackground())
        painter.fillRect(control.rect(), Colour(control, control.backgroundRole()));
    if (auto *box = qobject_cast<QPlainTextEdit *>(&control))
        PaintTextBox(painter, *box);
    else if (const auto *button = qobject_cast<const QPushButton *>(&control))
        PaintButton(painter, *button);
    else if (const auto *box = qobject_cast<const QCheckBox *>(&control))
        PaintCheckBox(painter, *box);
    else if (const auto *label = qobject_cast<const QLabel *>(&control))
        PaintLabel(painter, *label);
}

} // namespace

WindowPicture PaintWindowPicture(QWidget &window, QSizeF clientArea, const ChartLayer &chartLayer)
{
    QPicture drawing;
    {
        QPainter painter(&drawing);
        painter.fillRect(QRectF(QPointF(0, 0), clientArea), window.palette().color(window.backgroundRole()));
        PainterChartSurface surface(painter, 1, PainterChartSurface::PaperCurveTwips);
        chartLayer.Replay(surface);

        painter.setTransform(QTransform::fromScale(TwipsPerPixel, TwipsPerPixel));
        painter.setRenderHint(QPainter::Antialiasing);
        for (QWidget *control : window.findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            if (control->isVisibleTo(&window))
                PaintAt(painter, control->pos(), [&] { PaintControl(painter, *control); });
        }
    }
    return {window.windowTitle(), clientArea, QByteArray(drawing.data(), drawing.size())};
}

} // namespace bbt
