// A number a form gives one of its controls so that code handling the control's errors can
// tell which kind of field it came from (the Client ID field, an IP address octet, a name
// grid). Held as the widget property "Tag"; 0 when never set.
#pragma once

#include <QObject>
#include <QVariant>

namespace parlino::ui {

inline void setTag(QObject* control, int tag)
{
    control->setProperty("Tag", tag);
}

inline int tag(const QObject* control)
{
    return control ? control->property("Tag").toInt() : 0;
}

}  // namespace parlino::ui
