#pragma once

#include "controls/varnelglobal.h"

#include <QSize>

class QWidget;

namespace Varnel {

// Sizes of the library's widgets are designed for a 96 dpi screen; this
// mix-in turns such design sizes into pixels for the screen a widget is on.
class VARNEL_EXPORT CWidgetSizeFactory
{
public:
    virtual ~CWidgetSizeFactory();

    static int scaledPixels(const QWidget *widget, int designPixels);
    static QSize scaledSize(const QWidget *widget, const QSize &designSize);
    // Fixes the widget at the scaled design size.
    static void setFixedDesignSize(QWidget *widget, const QSize &designSize);
};

} // namespace Varnel
