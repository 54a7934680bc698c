#pragma once

#include "controls/varnelglobal.h"

#include <QColor>
#include <QPointer>
#include <QPushButton>

namespace Varnel {

// A push button that paints itself: a rounded box whose fill, border and
// text colours follow its state (normal, hovered, pressed, disabled), with a
// pointing-hand cursor while it is enabled. The colours are properties, so a
// style sheet sets them with "qproperty-<name>: <colour>;".
class VARNEL_EXPORT CPushButton : public QPushButton
{
    Q_OBJECT
    Q_PROPERTY(QColor backgroundColor READ backgroundColor WRITE setBackgroundColor)
    Q_PROPERTY(QColor hoverBackgroundColor READ hoverBackgroundColor WRITE setHoverBackgroundColor)
    Q_PROPERTY(QColor pressedBackgroundColor READ pressedBackgroundColor WRITE setPressedBackgroundColor)
    Q_PROPERTY(QColor textColor READ textColor WRITE setTextColor)
    Q_PROPERTY(QColor hoverTextColor READ hoverTextColor WRITE setHoverTextColor)
    Q_PROPERTY(QColor pressedTextColor READ pressedTextColor WRITE setPressedTextColor)
    Q_PROPERTY(QColor borderColor READ borderColor WRITE setBorderColor)
    Q_PROPERTY(QColor hoverBorderColor READ hoverBorderColor WRITE setHoverBorderColor)
    Q_PROPERTY(QColor pressedBorderColor READ pressedBorderColor WRITE setPressedBorderColor)
    Q_PROPERTY(int borderRadius READ borderRadius WRITE setBorderRadius)

public:
    enum VisualState { Normal, Hovered, Pressed, Disabled };
    Q_ENUM(VisualState)

    explicit CPushButton(QWidget *parent = nullptr);
    explicit CPushButton(const QString &text, QWidget *parent = nullptr);
    ~CPushButton() override;

    VisualState visualState() const;
    bool isHovered() const { return m_bHovered; }

    QColor backgroundColor() const { return m_colors[Normal].background; }
    void setBackgroundColor(const QColor &color);
    QColor hoverBackgroundColor() const { return m_colors[Hovered].background; }
    void setHoverBackgroundColor(const QColor &color);
    QColor pressedBackgroundColor() const { return m_colors[Pressed].background; }
    void setPressedBackgroundColor(const QColor &color);
    QColor textColor() const { return m_colors[Normal].text; }
    void setTextColor(const QColor &color);
    QColor hoverTextColor() const { return m_colors[Hovered].text; }
    void setHoverTextColor(const QColor &color);
    QColor pressedTextColor() const { return m_colors[Pressed].text; }
    void setPressedTextColor(const QColor &color);
    QColor borderColor() const { return m_colors[Normal].border; }
    void setBorderColor(const QColor &color);
    QColor hoverBorderColor() const { return m_colors[Hovered].border; }
    void setHoverBorderColor(const QColor &color);
    QColor pressedBorderColor() const { return m_colors[Pressed].border; }
    void setPressedBorderColor(const QColor &color);
    int borderRadius() const { return m_iBorderRadius; }
    void setBorderRadius(int radius);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void enterEvent(QEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    struct StateColors
    {
        QColor background;
        QColor text;
        QColor border;
    };

    void init();
    void setHovered(bool hovered);
    void watchWindow();
    void updateCursor();
    void setColor(QColor StateColors::*member, VisualState state, const QColor &color);

    StateColors m_colors[3];
    int m_iBorderRadius = 4;
    bool m_bHovered = false;
    // The top-level window is watched so that the hover look is dropped when
    // the window hides or loses activation without a leave event (a modal
    // dialog opening over the button, for one).
    QPointer<QWidget> m_pWatchedWindow;
};

} // namespace Varnel
