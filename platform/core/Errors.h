#pragma once

#include <QString>
#include <exception>
#include <stdexcept>

// Every error of the program's own layers (table, XML, FTP, settings, conversions) is a
// CordalisError carrying a human-readable French or library text. what() returns it in
// UTF-8; text() returns it as a QString for display.
class CordalisError : public std::runtime_error
{
public:
    explicit CordalisError(const QString& text) : std::runtime_error(text.toStdString()) {}
    QString text() const { return QString::fromUtf8(what()); }
};

// An error of the table layer: a missing, corrupt or unreadable table, a missing field.
class TableError : public CordalisError
{
public:
    using CordalisError::CordalisError;
};

// An error of the XML layer: a file that cannot be read, parsed or written, an invalid name.
class XmlError : public CordalisError
{
public:
    using CordalisError::CordalisError;
};

// A write to the settings file that the system refused. The text names the file.
class IniWriteError : public CordalisError
{
public:
    using CordalisError::CordalisError;
};

// A text that does not convert (a date, an integer).
class ConvertError : public CordalisError
{
public:
    using CordalisError::CordalisError;
};

// The text shown for a caught error: what() of a standard exception (every CordalisError is
// one) read as UTF-8, and an empty text for no error or anything that is not an exception.
inline QString ExceptionText(const std::exception_ptr& error)
{
    if (!error)
        return QString();
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QString();
    }
}
