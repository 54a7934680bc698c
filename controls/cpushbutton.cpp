#include "controls/cpushbutton.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

namespace Varnel {

namespace {

constexpr int kHorizontalPadding = 16;
constexpr QSize kMinimumSize(88, 32);
constexpr qreal kDisabledOpacity = 0.45;

} // namespace

CPushButton::CPushButton(QWidget *parent)
    : QPushButton(parent)
{
    init();
}

CPushButton::CPushButton(const QString &text, QWidget *parent)
    : QPushButton(text, parent)
{
    init();
}

CPushButton::~CPushButton() = default;

void CPushButton::init()
{
    // A neutral default; the command buttons bring their own colours.
    const QColor grey(0xD9, 0xD9, 0xD9);
    const QColor dark(0, 0, 0, 0xD9);
    m_colors[Normal] = {QColor(Qt::white), dark, grey};
    m_colors[Hovered] = {QColor(0xF5, 0xF5, 0xF5), dark, grey};
    m_colors[Pressed] = {QColor(0xE8, 0xE8, 0xE8), dark, grey};
    setAttribute(Qt::WA_Hover);
    updateCursor();
    watchWindow();
}

CPushButton::VisualState CPushButton::visualState() const
{
    if (!isEnabled())
        return Disabled;
    if (isDown())
        return Pressed;
    if (m_bHovered)
        return Hovered;
    return Normal;
}

void CPushButton::setColor(QColor StateColors::*member, VisualState state, const QColor &color)
{
    m_colors[state].*member = color;
    update();
}

void CPushButton::setBackgroundColor(const QColor &color) { setColor(&StateColors::background, Normal, color); }
void CPushButton::setHoverBackgroundColor(const QColor &color) { setColor(&StateColors::background, Hovered, color); }
void CPushButton::setPressedBackgroundColor(const QColor &color) { setColor(&StateColors::background, Pressed, color); }
void CPushButton::setTextColor(const QColor &color) { setColor(&StateColors::text, Normal, color); }
void CPushButton::setHoverTextColor(const QColor &color) { setColor(&StateColors::text, Hovered, color); }
void CPushButton::setPressedTextColor(const QColor &color) { setColor(&StateColors::text, Pressed, color); }
void CPushButton::setBorderColor(const QColor &color) { setColor(&StateColors::border, Normal, color); }
void CPushButton::setHoverBorderColor(const QColor &color) { setColor(&StateColors::border, Hovered, color); }
void CPushButton::setPressedBorderColor(const QColor &color) { setColor(&StateColors::border, Pressed, color); }

void CPushButton::setBorderRadius(int radius)
{
    m_iBorderRadius = qMax(0, radius);
    update();
}

QSize CPushButton::sizeHint() const
{
    const QFontMetrics metrics(font());
    const int width = metrics.horizontalAdvance(text()) + 2 * kHorizontalPadding;
    const int height = metrics.height() + 12;
    return QSize(qMax(width, kMinimumSize.width()), qMax(height, kMinimumSize.height()));
}

QSize CPushButton::minimumSizeHint() const
{
    return kMinimumSize;
}

void CPushButton::setHovered(bool hovered)
{
    if (m_bHovered == hovered)
        return;
    m_bHovered = hovered;
    update();
}

void CPushButton::watchWindow()
{
    QWidget *top = window();
    if (top == m_pWatchedWindow)
        return;
    if (m_pWatchedWindow)
        m_pWatchedWindow->removeEventFilter(this);
    m_pWatchedWindow = (top && top != this) ? top : nullptr;
    if (m_pWatchedWindow)
        m_pWatchedWindow->installEventFilter(this);
}

void CPushButton::updateCursor()
{
    if (isEnabled())
        setCursor(Qt::PointingHandCursor);
    else
        unsetCursor();
}

bool CPushButton::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::ParentChange:
        watchWindow();
        break;
    case QEvent::EnabledChange:
        updateCursor();
        if (!isEnabled())
            setHovered(false);
        break;
    case QEvent::Hide:
        setHovered(false);
        break;
    default:
        break;
    }
    return QPushButton::event(event);
}

bool CPushButton::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_pWatchedWindow) {
        switch (event->type()) {
        case QEvent::Hide:
        case QEvent::WindowDeactivate:
        case QEvent::WindowBlocked:
            setHovered(false);
            break;
        default:
            break;
        }
    }
    return QPushButton::eventFilter(watched, event);
}

void CPushButton::enterEvent(QEvent *event)
{
    if (isEnabled())
        setHovered(true);
    QPushButton::enterEvent(event);
}

void CPushButton::leaveEvent(QEvent *event)
{
    setHovered(false);
    QPushButton::leaveEvent(event);
}

void CPushButton::paintEvent(QPaintEvent *)
{
    const VisualState state = visualState();
    const StateColors &colors = m_colors[state == Disabled ? Normal : state];

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (state == Disabled)
        painter.setOpacity(kDisabledOpacity);

    // Half-pixel inset keeps the one-pixel border crisp.
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath path;
    path.addRoundedRect(box, m_iBorderRadius, m_iBorderRadius);
    painter.fillPath(path, colors.background);
    if (colors.border.isValid() && colors.border.alpha() > 0) {
        painter.setPen(QPen(colors.border, 1.0));
        painter.drawPath(path);
    }

    // A focus ring only once the keyboard has moved the focus in this window.
    if (hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange)) {
        QPainterPath ring;
        ring.addRoundedRect(box.adjusted(2, 2, -2, -2), qMax(0, m_iBorderRadius - 2), qMax(0, m_iBorderRadius - 2));
        painter.setPen(QPen(colors.text, 1.0, Qt::DotLine));
        painter.drawPath(ring);
    }

    painter.setPen(colors.text);
    painter.setFont(font());
    const QRect textRect = rect().adjusted(kHorizontalPadding / 2, 0, -kHorizontalPadding / 2, 0);
    const QString label = fontMetrics().elidedText(text(), Qt::ElideRight, textRect.width());
    painter.drawText(textRect, Qt::AlignCenter | Qt::TextSingleLine, label);
}

} // namespace Varnel
