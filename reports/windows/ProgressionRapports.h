#pragma once

#include <QWidget>
#include <memory>

class QCloseEvent;
class QKeyEvent;
class QPushButton;

namespace Ui {
class ProgressionRapports;
}

// The progress of a report pass: "Téléchargement des rapports", the count "N / total", a bar
// and "Arrêter". The report window shows it inside itself during "Actualiser"; the first pass,
// before the report window appears, shows it as a window of its own over the main window
// (Fenetre), whose close box and Escape ask for the stop as "Arrêter" does.
class ProgressionRapports : public QWidget
{
    Q_OBJECT

public:
    explicit ProgressionRapports(QWidget* parent = nullptr);
    ~ProgressionRapports() override;

    // A window of its own, modal for the whole application and centred over owner; shown.
    static std::unique_ptr<ProgressionRapports> Fenetre(QWidget* owner);

    // faits of total reports done; total -1 while the listing is not known (no count, the
    // bar runs without one).
    void Afficher(int faits, int total);

    QPushButton* BtnArreter() const;

signals:
    void arretDemande();

protected:
    // Only a window of its own gets them; it goes when the pass has ended.
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::unique_ptr<Ui::ProgressionRapports> ui;
};
