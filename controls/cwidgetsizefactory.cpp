#include "controls/cwidgetsizefactory.h"

#include <QWidget>

#include <cmath>

namespace Varnel {

CWidgetSizeFactory::~CWidgetSizeFactory() = default;

int CWidgetSizeFactory::scaledPixels(const QWidget *widget, int designPixels)
{
    // Qt's own high-dpi scaling already maps device pixels; what is left is
    // a raised logical dpi (the system's text scaling). It is followed in the
    // quarter steps that systems offer, so an odd screen dpi (Xvfb's 100, for
    // one) leaves the design size alone.
    const int dpi = widget ? widget->logicalDpiY() : 96;
    const qreal steps = std::floor(dpi / 96.0 * 4.0) / 4.0;
    if (steps <= 1.0)
        return designPixels;
    return int(std::lround(designPixels * steps));
}

QSize CWidgetSizeFactory::scaledSize(const QWidget *widget, const QSize &designSize)
{
    return QSize(scaledPixels(widget, designSize.width()), scaledPixels(widget, designSize.height()));
}

void CWidgetSizeFactory::setFixedDesignSize(QWidget *widget, const QSize &designSize)
{
    if (widget)
        widget->setFixedSize(scaledSize(widget, designSize));
}

} // namespace Varnel
