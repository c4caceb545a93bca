// How our dialog icons appear as Qt's message box icons.
#pragma once

#include "platform/ui/Dialogs.h"

#include <QMessageBox>

namespace parlino::ui {

inline QMessageBox::Icon ToQtIcon(DialogIcon icon)
{
    switch (icon) {
    case DialogIcon::None: return QMessageBox::NoIcon;
    case DialogIcon::Information: return QMessageBox::Information;
    case DialogIcon::Warning: return QMessageBox::Warning;
    case DialogIcon::Error: return QMessageBox::Critical;
    case DialogIcon::Question: return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

}  // namespace parlino::ui
