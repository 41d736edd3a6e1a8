#pragma once

#include <QApplication>
#include <QLabel>
#include <QStringList>
#include <QTimer>
#include <QWidget>

// While the dialog lives, any other modal window opened over it (a question, an error) is
// recorded (a message box by its text, anything else by its class) and closed with the dialog
// itself, so that the test fails on it instead of waiting. The watch ends with the dialog.
inline void RecordModalsOver(QWidget& dialog, QStringList& texts)
{
    auto* watch = new QTimer(&dialog);
    QObject::connect(watch, &QTimer::timeout, &dialog, [&dialog, &texts] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || modal == &dialog)
            return;
        if (auto* label = modal->findChild<QLabel*>(QStringLiteral("qt_msgbox_label")))
            texts << label->text();
        else
            texts << QString::fromLatin1(modal->metaObject()->className());
        modal->close();
        dialog.close();
    });
    watch->start(50);
}
