#include "Accessibility.h"

#include <QWidget>

void DescribeControls(QWidget* form)
{
    if (form == nullptr)
        return;
    if (!form->objectName().isEmpty())
        form->setAccessibleDescription(form->objectName());
    const QList<QWidget*> controls = form->findChildren<QWidget*>();
    for (QWidget* control : controls) {
        const QString name = control->objectName();
        if (name.isEmpty() || name.startsWith(QLatin1String("qt_")))
            continue;
        control->setAccessibleDescription(name);
    }
}
