#pragma once

#include "controls/cframe.h"
#include "controls/varnelglobal.h"

#include <QPoint>

namespace Varnel {

// Title bar for windows without a system frame: dragging it with the left
// button moves the top-level window; a double click maximises or restores a
// resizable window and does nothing on a fixed-size one. It sets no layout,
// so a subclass is free to install its own.
class VARNEL_EXPORT CFancyTitle : public CFrame
{
    Q_OBJECT

public:
    explicit CFancyTitle(QWidget *parent = nullptr);
    ~CFancyTitle() override;

    bool isDragging() const { return m_bDragging; }

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    bool canMoveWindow() const;

    bool m_bDragging = false;
    // Cursor position relative to the window's top-left corner at the press.
    QPoint m_dragOffset;
};

} // namespace Varnel
