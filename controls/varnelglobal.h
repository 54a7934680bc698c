#pragma once

#include <QtCore/qglobal.h>

// Symbols of the widget library are exported when it is built and imported
// by everything that links it (Varnel.dll on Windows).
#if defined(VARNEL_LIBRARY)
#    define VARNEL_EXPORT Q_DECL_EXPORT
#else
#    define VARNEL_EXPORT Q_DECL_IMPORT
#endif
