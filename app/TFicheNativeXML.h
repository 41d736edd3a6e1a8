#pragma once

#include <QWidget>
#include <memory>

namespace Ui {
class TFicheNativeXML;
}

// An empty auxiliary form, created at start-up and never shown. Nothing in the program uses
// it; it is kept so that the program builds the same set of windows at start-up.
class TFicheNativeXML : public QWidget
{
    Q_OBJECT

public:
    explicit TFicheNativeXML(QWidget* parent = nullptr);
    ~TFicheNativeXML() override;

private:
    std::unique_ptr<Ui::TFicheNativeXML> ui;
};
