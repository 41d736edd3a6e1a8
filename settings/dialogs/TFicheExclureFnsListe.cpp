#include "TFicheExclureFnsListe.h"

#include "ActionConnection.h"
#include "AliasFolder.h"
#include "DialogKeys.h"
#include "Errors.h"
#include "MessageBox.h"
#include "ProgramPaths.h"
#include "SupplierExclusions.h"
#include "TTable.h"
#include "TablesSiege.h"
#include "ui_TFicheExclureFnsListe.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QHeaderView>
#include <QTreeWidgetItem>

namespace {
constexpr int LargeurNom = 275;

// Shows the rows of one list, in its order: the name, and the code in a hidden column.
void Remplir(QTreeWidget& view, const std::vector<Fournisseur>& rows)
{
    view.clear();
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(rows.size()));
    for (const Fournisseur& row : rows)
        items << new QTreeWidgetItem(QStringList{row.Nom, row.Code});
    view.addTopLevelItems(items);
}

void PreparerListe(QTreeWidget& view)
{
    QHeaderView& header = *view.header();
    header.setStretchLastSection(false);
    header.setSectionsMovable(false);
    view.setColumnWidth(0, LargeurNom);
    // The code column only carries the supplier's code.
    view.setColumnHidden(1, true);
    // The name column may be narrowed, never widened past its designed width.
    QObject::connect(&header, &QHeaderView::sectionResized, &view,
                     [&view](int section, int, int newSize) {
                         if (section == 0 && newSize > LargeurNom)
                             view.setColumnWidth(0, LargeurNom);
                     });
    // The row under the pointer is highlighted.
    view.viewport()->setAttribute(Qt::WA_Hover);
    view.setSortingEnabled(false); // the lists keep their own name order
}
} // namespace

TFicheExclureFnsListe::TFicheExclureFnsListe(QWidget* owner, QString iniFile, QString aliasFolder)
    : QDialog(owner), ui(std::make_unique<Ui::TFicheExclureFnsListe>()),
      iniFile_(std::move(iniFile))
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setModal(true);
    NoDefaultButton(*this);
    PreparerListe(*ui->lvFnsSource);
    PreparerListe(*ui->lvFnsExclu);
    // A double-click anywhere in a list moves that list's selected rows, as the button does.
    ui->lvFnsSource->viewport()->installEventFilter(this);
    ui->lvFnsExclu->viewport()->installEventFilter(this);

    ConnectAction(ui->btnExclrue, &QPushButton::clicked, this,
                  &TFicheExclureFnsListe::btnExclrueClick);
    ConnectAction(ui->btnReintegrer, &QPushButton::clicked, this,
                  &TFicheExclureFnsListe::btnReintegrerClick);
    ConnectAction(ui->btnEnregistrer, &QPushButton::clicked, this,
                  &TFicheExclureFnsListe::btnEnregistrerClick);

    if (aliasFolder.isEmpty())
        aliasFolder = AliasFolder(iniFile_, ProgramPaths::DataFolder());
    tblFns = std::make_unique<TTable>(aliasFolder, QStringLiteral("FOURNIS.DB"), FournisFields());
    FormCreate();
}

TFicheExclureFnsListe::~TFicheExclureFnsListe() = default;

void TFicheExclureFnsListe::FormCreate()
{
    const QStringList stored = LireFournisseursExclus(iniFile_);
    // Keep the window painted during a long table, at most every few milliseconds; user
    // input waits until the lists are complete, so nothing can act on half-filled lists.
    QElapsedTimer sincePump;
    sincePump.start();
    const auto pump = [&sincePump] {
        if (sincePump.elapsed() >= 10) {
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            sincePump.restart();
        }
    };
    try {
        listes_.Charger(*tblFns, stored, pump);
        listesCompletes_ = true;
    } catch (const CordalisError& e) {
        // The lists hold only what was read: saving them would drop stored exclusions.
        ui->btnEnregistrer->setEnabled(false);
        ui->btnEnregistrer->setToolTip(
            QStringLiteral("La liste des fournisseurs n'a pas pu être lue entièrement : la liste "
                           "des fournisseurs exclus enregistrée est conservée."));
        ShowMessage(e.text());
    }
    Afficher();
}

void TFicheExclureFnsListe::Afficher()
{
    Remplir(*ui->lvFnsSource, listes_.Inclus());
    Remplir(*ui->lvFnsExclu, listes_.Exclus());
}

std::vector<int> TFicheExclureFnsListe::PositionsSelectionnees(const QTreeWidget& list)
{
    std::vector<int> positions;
    for (QTreeWidgetItem* item : list.selectedItems())
        positions.push_back(list.indexOfTopLevelItem(item));
    return positions;
}

void TFicheExclureFnsListe::btnExclrueClick()
{
    const std::vector<int> positions = PositionsSelectionnees(*ui->lvFnsSource);
    if (positions.empty()) {
        ShowMessage(QStringLiteral("Vous devez sélectionner une ligne avant d'exclure un "
                                   "fournisseur."));
        return;
    }
    listes_.Exclure(positions);
    Afficher();
}

void TFicheExclureFnsListe::btnReintegrerClick()
{
    const std::vector<int> positions = PositionsSelectionnees(*ui->lvFnsExclu);
    if (positions.empty()) {
        ShowMessage(QStringLiteral("Vous devez sélectionner une ligne avant de réintégrer un "
                                   "fournisseur."));
        return;
    }
    listes_.Reintegrer(positions);
    Afficher();
}

void TFicheExclureFnsListe::lvFnsSourceDblClick()
{
    btnExclrueClick();
}

void TFicheExclureFnsListe::lvFnsExcluDblClick()
{
    btnReintegrerClick();
}

bool TFicheExclureFnsListe::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonDblClick) {
        if (watched == ui->lvFnsSource->viewport()) {
            lvFnsSourceDblClick();
            return true;
        }
        if (watched == ui->lvFnsExclu->viewport()) {
            lvFnsExcluDblClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TFicheExclureFnsListe::btnEnregistrerClick()
{
    if (!listesCompletes_)
        return;
    listes_.Enregistrer(iniFile_);
    accept();
}
