#pragma once

#include <QString>
#include <QStringList>

// Every entry below root, relative and sorted; links are listed, never
// followed, and folders end in '/'. Shows in one comparison what a removal
// took and what it left.
QStringList treeListing(const QString &root);
