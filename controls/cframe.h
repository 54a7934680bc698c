#pragma once

#include "controls/cwidgetsizefactory.h"
#include "controls/varnelglobal.h"

#include <QFrame>

namespace Varnel {

// The library's frame: a plain QFrame that knows the library's sizing.
class VARNEL_EXPORT CFrame : public QFrame, public CWidgetSizeFactory
{
    Q_OBJECT

public:
    explicit CFrame(QWidget *parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
    ~CFrame() override;
};

} // namespace Varnel
