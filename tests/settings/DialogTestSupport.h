#pragma once

#include "TIniFile.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>

// A temporary installation folder with its settings file path.
class IniFolder
{
public:
    QString path() const { return dir_.path(); }
    QString ini() const { return dir_.filePath(QStringLiteral("Cordalis.ini")); }

    void write(const QByteArray& content) const
    {
        QFile file(ini());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    // The file's bytes; empty when it does not exist.
    QByteArray bytes() const
    {
        QFile file(ini());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    bool exists() const { return QFile::exists(ini()); }
    TIniFile file() const { return TIniFile(ini()); }

private:
    QTemporaryDir dir_;
};

template <typename T> T* Child(const QWidget& form, const char* name)
{
    T* child = form.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
}

// Runs check on the next modal dialog that opens (while the caller's exec() is running),
// then closes it.
inline void OnNextModal(std::function<void(QWidget*)> check)
{
    QTimer::singleShot(0, qApp, [check = std::move(check)] {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        check(modal);
        modal->close();
    });
}

// Runs check on the first modal dialog of that designed name to open, passing over others
// (a progress dialog before it), then closes it. Gives up after ten seconds.
inline void OnModalNamed(const QString& objectName, std::function<void(QWidget*)> check)
{
    auto* watch = new QTimer(qApp);
    auto* clock = new QElapsedTimer;
    clock->start();
    QObject::connect(watch, &QTimer::timeout, qApp, [=, check = std::move(check)] {
        QWidget* modal = QApplication::activeModalWidget();
        const bool found = modal && modal->objectName() == objectName;
        if (found) {
            check(modal);
            modal->close();
        }
        if (found || clock->hasExpired(10000)) {
            EXPECT_TRUE(found) << "no modal dialog " << qPrintable(objectName);
            delete clock;
            watch->deleteLater();
            watch->stop();
        }
    });
    watch->start(20);
}

// Every designed control carries its name as accessible description, and controls without
// a caption of their own also have an accessible name.
inline void ExpectDescribed(const QWidget& form)
{
    EXPECT_EQ(form.accessibleDescription(), form.objectName());
    for (const QWidget* child : form.findChildren<QWidget*>()) {
        const QString name = child->objectName();
        if (name.isEmpty() || name.startsWith(QLatin1String("qt_")))
            continue;
        EXPECT_EQ(child->accessibleDescription(), name);
        if (!qobject_cast<const QAbstractButton*>(child) &&
            !name.startsWith(QLatin1String("lbl")) && !name.startsWith(QLatin1String("GroupBox"))) {
            EXPECT_FALSE(child->accessibleName().isEmpty()) << qPrintable(name);
        }
    }
}

// The tab chain of the form's focusable controls, starting from the first name.
inline QStringList TabChain(const QWidget& form, const char* first, int count)
{
    QStringList names;
    QWidget* w = form.findChild<QWidget*>(QString::fromLatin1(first));
    while (w && names.size() < count) {
        names << w->objectName();
        do
            w = w->nextInFocusChain();
        while (w && (w->focusPolicy() & Qt::TabFocus) == 0);
    }
    return names;
}
