#include "TFicheNativeXML.h"

#include "ui_TFicheNativeXML.h"

#include "Accessibility.h"

TFicheNativeXML::TFicheNativeXML(QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::TFicheNativeXML>())
{
    ui->setupUi(this);
    DescribeControls(this);
}

TFicheNativeXML::~TFicheNativeXML() = default;
