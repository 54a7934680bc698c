#include "controls/cwidgetsizefactory.h"

#include <QWidget>

#include <cmath>

namespace Varnel {

CWidgetSizeFactory::~CWidgetSizeFactory() = default;

int CWidgetSizeFactory::scaledPixels(const QWidget *widget, int designPixels)
{
    // Qt's own high-dpi scaling already maps device pixels; only a raised
    // logical dpi (font scaling) is left to follow here.
    const int dpi = widget ? widget->logicalDpiY() : 96;
    if (dpi <= 96)
        return designPixels;
    return int(std::lround(designPixels * (dpi / 96.0)));
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
