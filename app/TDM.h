#pragma once

#include <QObject>

// An empty data module, created at start-up; it holds nothing that the program uses.
class TDM : public QObject
{
    Q_OBJECT

public:
    explicit TDM(QObject* parent = nullptr);
};
