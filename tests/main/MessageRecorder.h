#pragma once

#include "MessageBox.h"

#include <QString>
#include <QStringList>

// Records every message shown while it lives, in order, instead of showing a box.
class MessageRecorder
{
public:
    MessageRecorder()
    {
        previous_ = SetMessageHandler([this](const QString& text) { texts_ << text; });
    }
    ~MessageRecorder() { SetMessageHandler(previous_); }
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    const QStringList& texts() const { return texts_; }
    void clear() { texts_.clear(); }

private:
    QStringList texts_;
    MessageHandler previous_;
};
