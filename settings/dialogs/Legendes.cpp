#include "Legendes.h"

#include <QFont>
#include <QWidget>

void AjusterLegende(QWidget* control, int maxWidth)
{
    constexpr double SmallestPoints = 6.5;
    QFont font = control->font();
    for (;;) {
        const int wanted = control->sizeHint().width();
        if (wanted <= maxWidth) {
            control->resize(wanted, control->height());
            return;
        }
        if (font.stretch() != QFont::Condensed)
            font.setStretch(QFont::Condensed);
        else if (font.pointSizeF() > SmallestPoints)
            font.setPointSizeF(font.pointSizeF() - 0.5);
        else {
            control->resize(maxWidth, control->height());
            return;
        }
        control->setFont(font);
    }
}
