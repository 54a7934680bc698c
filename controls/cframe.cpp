#include "controls/cframe.h"

namespace Varnel {

CFrame::CFrame(QWidget *parent, Qt::WindowFlags flags)
    : QFrame(parent, flags)
{
}

CFrame::~CFrame() = default;

} // namespace Varnel
