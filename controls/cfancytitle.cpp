#include "controls/cfancytitle.h"

#include <QMouseEvent>
#include <QResizeEvent>

namespace Varnel {

CFancyTitle::CFancyTitle(QWidget *parent)
    : CFrame(parent)
{
}

CFancyTitle::~CFancyTitle() = default;

bool CFancyTitle::canMoveWindow() const
{
    const QWidget *top = window();
    return top && top->isWindow() && !(top->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen));
}

void CFancyTitle::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && canMoveWindow()) {
        m_bDragging = true;
        m_dragOffset = event->globalPos() - window()->frameGeometry().topLeft();
        event->accept();
        return;
    }
    CFrame::mousePressEvent(event);
}

void CFancyTitle::mouseMoveEvent(QMouseEvent *event)
{
    if (m_bDragging && (event->buttons() & Qt::LeftButton)) {
        window()->move(event->globalPos() - m_dragOffset);
        event->accept();
        return;
    }
    CFrame::mouseMoveEvent(event);
}

void CFancyTitle::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_bDragging && event->button() == Qt::LeftButton) {
        m_bDragging = false;
        event->accept();
        return;
    }
    CFrame::mouseReleaseEvent(event);
}

void CFancyTitle::mouseDoubleClickEvent(QMouseEvent *event)
{
    QWidget *top = window();
    if (event->button() != Qt::LeftButton || !top || !top->isWindow()) {
        CFrame::mouseDoubleClickEvent(event);
        return;
    }
    event->accept();
    m_bDragging = false;
    if (top->minimumSize() == top->maximumSize())
        return;
    if (top->isMaximized())
        top->showNormal();
    else
        top->showMaximized();
}

void CFancyTitle::resizeEvent(QResizeEvent *event)
{
    // A resize in the middle of a drag (maximise, restore) makes the stored
    // offset meaningless; the next press starts afresh.
    m_bDragging = false;
    CFrame::resizeEvent(event);
}

} // namespace Varnel
