#include "DemoHeadOffice.h"

#include "AtomicFile.h"
#include "Errors.h"
#include "HeadOfficeFixtures.h"
#include "ParadoxWriter.h"
#include "Regional.h"
#include "TIniFile.h"
#include "TablesSiege.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QStringList>

namespace {

// A small fixed pseudo-random sequence: the demo is the same on every run.
class Suite
{
public:
    int Next(int bound)
    {
        state_ = state_ * 1103515245u + 12345u;
        return static_cast<int>((state_ >> 16) % static_cast<unsigned>(bound));
    }

private:
    unsigned state_ = 20200528u;
};

struct Fournisseur
{
    const char* code;
    const char* nom;
    const char* ville;
    const char* cp;
    const char* rue;
    const char* contact;
};

const Fournisseur Fournisseurs[] = {
    {"AL", "Alpina Lunetterie", "Annecy", "74000", "12 rue des Écoles", "Hélène Brûlé"},
    {"AR", "Atelier Rémois", "Reims", "51100", "4 place d'Erlon", "Benoît Lefèvre"},
    {"BC", "Bécassine Créations", "Quimper", "29000", "18 quai de l'Odet", "Maëlle Le Goff"},
    {"BO", "Boréal Optique", "Besançon", "25000", "7 Grande Rue", "Jérôme Petitjean"},
    {"CA", "Cévennes Acétates", "Alès", "30100", "22 avenue Carnot", "Françoise Vidal"},
    {"CH", "Château-Thierry Montures", "Château-Thierry", "02400", "3 rue du Château",
     "Gérard Dupré"},
    {"CL", "Clairvue Étuis", "Saint-Étienne", "42000", "91 cours Fauriel", "Noémie Grégoire"},
    {"DA", "Dauphiné Acier", "Grenoble", "38000", "5 place Grenette", "Rémi Chabert"},
    {"DE", "Délices d'Écaille", "Oyonnax", "01100", "40 rue Anatole-France", "Zoé Mercier"},
    {"EM", "Émeraude Verres", "Saint-Malo", "35400", "11 rue de Dinan", "Yannick Le Bihan"},
    {"ES", "Estérel Solaire", "Fréjus", "83600", "2 boulevard de la Mer", "Cécile Roux"},
    {"FL", "Flandre Lentilles", "Lille", "59000", "28 rue Faidherbe", "Thérèse Vandamme"},
    {"GA", "Garonne Optique", "Toulouse", "31000", "16 allée Jean-Jaurès", "Aurélien Fabre"},
    {"HE", "Hélios Montures", "Montpellier", "34000", "9 rue de la Loge", "Anaïs Roussel"},
    {"IR", "Iroise Précision", "Brest", "29200", "55 rue de Siam", "Goulven Péron"},
    {"JU", "Jura Lunettes Fines", "Morez", "39400", "1 place Jean-Jaurès", "Léon Cattin"},
    {"LA", "Lacoste-Hérault", "Béziers", "34500", "14 allées Paul-Riquet", "Solène Martí"},
    {"LO", "Loire Vision", "Nantes", "44000", "6 quai de la Fosse", "Loïc Guérin"},
    {"LU", "Lumière d'Auvergne", "Clermont-Ferrand", "63000", "27 place de Jaude",
     "Amélie Chauvet"},
    {"MA", "Marée Haute Solaires", "La Rochelle", "17000", "8 quai Duperré", "Céline Moreau"},
    {"MO", "Montbéliard Métal", "Montbéliard", "25200", "19 rue Cuvier", "Stéphane Girardot"},
    {"NO", "Normandie Étuis", "Caen", "14000", "33 rue Saint-Pierre", "Bérénice Lecœur"},
    {"OC", "Occitanie Lentilles", "Nîmes", "30000", "10 boulevard Victor-Hugo", "Raphaël Bès"},
    {"PA", "Parisienne d'Optique", "Paris", "75011", "120 rue Oberkampf", "Édith Marchand"},
    {"PR", "Provence Écrins", "Aix-en-Provence", "13100", "3 cours Mirabeau", "Mathéo Aubert"},
    {"PY", "Pyrénées Verres", "Pau", "64000", "21 rue Maréchal-Joffre", "Inès Etcheverry"},
    {"RH", "Rhône Acétate", "Lyon", "69002", "45 rue de la République", "Frédéric Brun"},
    {"SA", "Savoie Titane", "Chambéry", "73000", "12 rue de Boigne", "Agnès Favre"},
    {"SE", "Seine Précision", "Rouen", "76000", "17 rue du Gros-Horloge", "Honoré Lemaître"},
    {"SO", "Sologne Lunetterie", "Orléans", "45000", "29 rue Jeanne-d'Arc", "Clémence Huet"},
    {"TA", "Tarn Étuis et Cordons", "Albi", "81000", "2 place du Vigan", "Gaëtan Alquier"},
    {"VA", "Vallée de l'Arve", "Cluses", "74300", "8 rue du Pont", "Léa Perrière"},
    {"VE", "Vendée Vision", "La Roche-sur-Yon", "85000", "13 place Napoléon", "Benoît Rabiller"},
    {"VO", "Vosges Montures", "Épinal", "88000", "5 quai des Bons-Enfants", "Élise Thiébaut"},
};

// Supplier codes that REMISES.DB names but FOURNIS.DB lacks.
const char* const CodesInconnus[] = {"ZZ", "QX", "KB"};

QString T(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

QList<ParadoxColumn> Colonnes(std::initializer_list<ParadoxColumn> list)
{
    return list;
}

int WriteFournis(const QString& folder)
{
    const QStringList noms = FournisFields();
    // The fixture's layout, with room for real addresses and remarks.
    QList<ParadoxColumn> colonnes = FournisColumns();
    for (ParadoxColumn& c : colonnes) {
        if (c.name == QLatin1String("Rue1") || c.name == QLatin1String("Mail") ||
            c.name == QLatin1String("Reglement") || c.name == QLatin1String("Contact"))
            c.length = 40;
        else if (c.name == QLatin1String("Observation") || c.name == QLatin1String("Message"))
            c.length = 80;
    }
    ParadoxWriter writer(QDir(folder).filePath(QStringLiteral("FOURNIS.DB")), colonnes);
    int rang = 0;
    for (const Fournisseur& f : Fournisseurs) {
        QHash<QString, QVariant> v;
        v[QStringLiteral("Code")] = T(f.code);
        v[QStringLiteral("Nom")] = T(f.nom);
        v[QStringLiteral("Reglement")] =
            rang % 3 == 0 ? T("Virement à 30 jours") : T("LCR 45 jours fin de mois");
        if (rang % 4 == 1)
            v[QStringLiteral("Observation")] = T("Délais allongés l'été");
        v[QStringLiteral("Qualite")] = rang % 5 == 0 ? T("Référencé") : T("Agréé");
        v[QStringLiteral("Ville")] = T(f.ville);
        v[QStringLiteral("CP")] = T(f.cp);
        v[QStringLiteral("Rue1")] = T(f.rue);
        v[QStringLiteral("Tel")] = QStringLiteral("0%1 %2 %3 %4 %5")
                                       .arg(1 + rang % 5)
                                       .arg(10 + rang * 7 % 89)
                                       .arg(20 + rang * 3 % 79)
                                       .arg(30 + rang * 11 % 69)
                                       .arg(40 + rang * 13 % 59);
        v[QStringLiteral("Mail")] = QStringLiteral("commandes%1@exemple.fr").arg(rang + 1);
        v[QStringLiteral("Contact")] = T(f.contact);
        v[QStringLiteral("Siren")] = QString::number(300000000 + rang * 7654321);
        v[QStringLiteral("TVA")] = QStringLiteral("20");
        v[QStringLiteral("Franco")] = QString::number(150 + 50 * (rang % 6));
        v[QStringLiteral("FermetureJour")] = rang % 2 ? T("Samedi") : T("Dimanche");
        v[QStringLiteral("Message")] =
            rang % 7 == 3 ? T("Fermé la première quinzaine d'août") : QString();
        QVariantList ligne;
        for (const QString& nom : noms)
            ligne.append(v.value(nom));
        writer.AddRow(ligne);
        ++rang;
    }
    writer.Close();
    return rang;
}

int WriteRemises(const QString& folder)
{
    const char* const familles[] = {"MO", "SO", "LE", "ET", "AC"};
    const char* const libelles[] = {"Montures optiques", "Lunettes solaires", "Lentilles",
                                    "Étuis et cordons", "Accessoires d'entretien"};
    const char* const modeles[] = {"Classique", "Élégance", "Sport", "Enfant", "Prestige"};
    Suite suite;
    ParadoxWriter writer(QDir(folder).filePath(QStringLiteral("REMISES.DB")), RemisesColumns());
    const int nbFournisseurs = int(std::size(Fournisseurs));
    const QDate debut(QDate::currentDate().year(), 1, 1);
    int n = 0;
    for (; n < 320; ++n) {
        QString code;
        if (n % 41 == 7)
            code = T(CodesInconnus[n % 3]);
        else
            code = T(Fournisseurs[suite.Next(nbFournisseurs)].code);
        // Mostly general conditions of type 2, the ones sent to the franchisees.
        const int type = n % 5 == 4 ? 1 + suite.Next(4) : 2;
        const QVariant client =
            n % 6 == 5 ? QVariant(QStringLiteral("C%1").arg(1000 + suite.Next(9000))) : QVariant();
        const int f = suite.Next(5);
        const int m = suite.Next(5);
        const QString libelle = QStringLiteral("%1 %2").arg(T(libelles[f]), T(modeles[m]));
        QVariant note;
        if (n % 9 == 0)
            note = T("Remise valable sur commande groupée.\r\nFranco de port au-delà du seuil.");
        writer.AddRow({code, client, type, T(familles[f]), QStringLiteral("M%1").arg(m), libelle,
                       5.0 + suite.Next(30), n % 3 ? QVariant(2.5 * suite.Next(4)) : QVariant(),
                       150.0 + 25 * suite.Next(10), debut.addDays(suite.Next(90)),
                       n % 4 ? QVariant(debut.addDays(365 + suite.Next(60))) : QVariant(), note});
    }
    writer.Close();
    return n;
}

int WritePerso(const QString& folder)
{
    const QList<ParadoxColumn> colonnes =
        Colonnes({{QStringLiteral("Groupe"), FieldKind::Alpha, 20},
                  {QStringLiteral("Famille"), FieldKind::Alpha, 20},
                  {QStringLiteral("Modele"), FieldKind::Alpha, 30},
                  {QStringLiteral("Fournisseur"), FieldKind::Alpha, 2},
                  {QStringLiteral("Produit"), FieldKind::Alpha, 30},
                  {QStringLiteral("Libelle"), FieldKind::Alpha, 60},
                  {QStringLiteral("Photo"), FieldKind::Alpha, 80},
                  {QStringLiteral("Detail"), FieldKind::Memo, 20},
                  {QStringLiteral("Xml"), FieldKind::Memo, 20},
                  {QStringLiteral("DetailCache"), FieldKind::Memo, 20},
                  {QStringLiteral("Flag"), FieldKind::Short}});
    struct Modele
    {
        const char* groupe;
        const char* famille;
        const char* modele;
        const char* fournisseur;
        const char* produit;
        const char* libelle;
    };
    const Modele modeles[] = {
        {"Optique", "Montures", "Élégance", "AL", "ELG-01", "Monture acétate écaille"},
        {"Optique", "Montures", "Titane léger", "SA", "TIT-07", "Monture titane sans vis"},
        {"Optique", "Montures", "Enfant", "JU", "ENF-12", "Monture souple pour enfant"},
        {"Optique", "Verres", "Progressif", "EM", "PRG-03", "Verre progressif haute définition"},
        {"Solaire", "Lunettes", "Côte d'Azur", "ES", "AZR-21", "Solaire polarisée dégradée"},
        {"Solaire", "Lunettes", "Glacier", "BO", "GLA-02", "Solaire de montagne catégorie 4"},
        {"Accessoires", "Étuis", "Cuir", "TA", "ETU-15", "Étui cuir pleine fleur"},
        {"Accessoires", "Entretien", "Kit", "CL", "KIT-09", "Kit d'entretien : spray et chiffon"},
        {"Contactologie", "Lentilles", "Journalières", "FL", "LEN-30", "Lentilles journalières"},
        {"Contactologie", "Produits", "Solution", "OC", "SOL-05", "Solution multifonction 360 ml"},
    };
    ParadoxWriter writer(QDir(folder).filePath(QStringLiteral("Perso.DB")), colonnes);
    int n = 0;
    for (const Modele& m : modeles) {
        const QString detail =
            QStringLiteral("%1\r\nFournisseur : %2\r\nGarantie : deux ans, pièces et main-d'œuvre.")
                .arg(T(m.libelle), T(m.fournisseur));
        QVariant xml;
        if (n == 3)
            xml = T(
                "<Fiche><Titre>Verre progressif</Titre><Option prix=\"89,90\">Antireflet "
                "&amp; durci</Option><Option prix=\"49,00\">Filtre lumière bleue</Option></Fiche>");
        else if (n % 2 == 0)
            xml = QStringLiteral("Coloris : noir, écaille, bleu nuit");
        const QVariant cache =
            n % 3 == 0 ? QVariant(T("Prix public conseillé.\r\nNe pas afficher en vitrine."))
                       : QVariant();
        writer.AddRow({T(m.groupe), T(m.famille), T(m.modele), T(m.fournisseur), T(m.produit),
                       T(m.libelle), QStringLiteral("photos/%1.jpg").arg(T(m.produit).toLower()),
                       detail, xml, cache, n % 2});
        ++n;
    }
    writer.Close();
    return n;
}

// Externe: 0 = for the franchisees, 1 = head office only, NULL = not set (sent like 0).
QVariant Externe(int rang)
{
    switch (rang % 4) {
    case 1:
        return 1;
    case 2:
        return QVariant();
    default:
        return 0;
    }
}

void WriteMessages(const QString& folder, DemoCounts& counts)
{
    const char* const types[] = {"Information", "Promotion", "Rappel qualité", "Réunion régionale",
                                 "Fermeture exceptionnelle"};
    {
        ParadoxWriter writer(QDir(folder).filePath(QStringLiteral("MessageType.DB")),
                             {{QStringLiteral("Code"), FieldKind::Short},
                              {QStringLiteral("Libelle"), FieldKind::Alpha, 40},
                              {QStringLiteral("Externe"), FieldKind::Short}});
        int code = 1;
        for (const char* libelle : types)
            writer.AddRow({code, T(libelle), Externe(code - 1)}), ++code;
        writer.Close();
        counts.messageTypes = code - 1;
    }
    const char* const titres[] = {
        "Nouvelle collection printemps",    "Opération « deuxième paire »",
        "Rappel : contrôle des étiquettes", "Réunion des franchisés à Lyon",
        "Fermeture du dépôt le 15 août",    "Tarifs fournisseurs révisés",
        "Formation contactologie",          "Inventaire de fin d'année",
        "Vitrine de Noël : consignes",      "Mise à jour du catalogue",
        "Hausse du franco de port",         "Bienvenue aux nouveaux magasins"};
    ParadoxWriter writer(QDir(folder).filePath(QStringLiteral("Message.DB")),
                         {{QStringLiteral("Numero"), FieldKind::Long},
                          {QStringLiteral("Type"), FieldKind::Short},
                          {QStringLiteral("Titre"), FieldKind::Alpha, 60},
                          {QStringLiteral("Texte"), FieldKind::Memo, 20},
                          {QStringLiteral("DateDebut"), FieldKind::Date},
                          {QStringLiteral("DateFin"), FieldKind::Date},
                          {QStringLiteral("Externe"), FieldKind::Short}});
    const QDate jour = QDate::currentDate();
    int n = 0;
    for (const char* titre : titres) {
        const QString texte = QStringLiteral("Bonjour à tous,\r\n%1 : détails dans l'espace "
                                             "franchisés.\r\nLa tête de réseau")
                                  .arg(T(titre));
        writer.AddRow({n + 1, 1 + n % 5, T(titre), texte, jour.addDays(-3 * n),
                       jour.addDays(30 - n), Externe(n)});
        ++n;
    }
    writer.Close();
    counts.messages = n;
}

void WriteDocuments(const QString& folder, DemoCounts& counts)
{
    const char* const types[] = {"Catalogue", "Fiche technique", "Procédure", "Affiche"};
    {
        ParadoxWriter writer(QDir(folder).filePath(QStringLiteral("MesDocsType.DB")),
                             {{QStringLiteral("Code"), FieldKind::Short},
                              {QStringLiteral("Libelle"), FieldKind::Alpha, 40},
                              {QStringLiteral("Externe"), FieldKind::Short}});
        int code = 1;
        for (const char* libelle : types)
            writer.AddRow({code, T(libelle), Externe(code - 1)}), ++code;
        writer.Close();
        counts.docTypes = code - 1;
    }
    const char* const titres[] = {"Catalogue général été",         "Fiche verre progressif",
                                  "Procédure de retour SAV",       "Affiche opération rentrée",
                                  "Guide de l'accueil client",     "Fiche lentilles journalières",
                                  "Procédure d'inventaire",        "Affiche soldes d'hiver",
                                  "Charte graphique des vitrines", "Tarifs montures enfants"};
    ParadoxWriter writer(QDir(folder).filePath(QStringLiteral("MesDocs.DB")),
                         {{QStringLiteral("Numero"), FieldKind::Long},
                          {QStringLiteral("Type"), FieldKind::Short},
                          {QStringLiteral("Titre"), FieldKind::Alpha, 60},
                          {QStringLiteral("Fichier"), FieldKind::Alpha, 80},
                          {QStringLiteral("Description"), FieldKind::Memo, 20},
                          {QStringLiteral("DateDoc"), FieldKind::Date},
                          {QStringLiteral("Externe"), FieldKind::Short}});
    int n = 0;
    for (const char* titre : titres) {
        writer.AddRow({n + 1, 1 + n % 4, T(titre),
                       QStringLiteral("documents/doc_%1.pdf").arg(n + 1, 3, 10, QLatin1Char('0')),
                       QStringLiteral("%1.\r\nÀ imprimer et à ranger au comptoir.").arg(T(titre)),
                       QDate::currentDate().addDays(-7 * n), Externe(n + 1)});
        ++n;
    }
    writer.Close();
    counts.docs = n;
}

// ---- Reports -----------------------------------------------------------------------------

struct Section
{
    int etat = 0; // -1: the Etat attribute is missing
    QStringList messages;
};

struct Passage
{
    QDateTime date;
    Section sections[3];
};

const char* const NomsSections[] = {"General", "CDL", "Quillfen"};

QString Echapper(const QString& texte)
{
    return texte.toHtmlEscaped();
}

QString PassageXml(const Passage& p, const QString& element, const QString& retrait)
{
    QString xml = QStringLiteral("%1<%2 Date=\"%3\">\n")
                      .arg(retrait, element, Echapper(Regional::DateTimeToStr(p.date)));
    for (int s = 0; s < 3; ++s) {
        const Section& section = p.sections[s];
        const QString nom = QString::fromLatin1(NomsSections[s]);
        xml += QStringLiteral("%1  <%2>\n").arg(retrait, nom);
        if (section.etat < 0)
            xml += QStringLiteral("%1    <Etat/>\n").arg(retrait);
        else
            xml += QStringLiteral("%1    <Etat Etat=\"%2\"/>\n").arg(retrait).arg(section.etat);
        xml += QStringLiteral("%1    <Messages>\n").arg(retrait);
        for (const QString& m : section.messages)
            xml += QStringLiteral("%1      <Message>%2</Message>\n").arg(retrait, Echapper(m));
        xml += QStringLiteral("%1    </Messages>\n%1  </%2>\n").arg(retrait, nom);
    }
    xml += QStringLiteral("%1</%2>\n").arg(retrait, element);
    return xml;
}

const QString Entete = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");

void Ecrire(const QString& chemin, const QString& contenu, const QDateTime& heureFichier)
{
    QString erreur;
    if (!WriteFileAtomically(chemin, contenu.toUtf8(), &erreur))
        throw CordalisError(QStringLiteral("Impossible d'écrire %1 : %2").arg(chemin, erreur));
    QFile fichier(chemin);
    if (fichier.open(QIODevice::ReadWrite))
        fichier.setFileTime(heureFichier, QFileDevice::FileModificationTime);
}

Passage EnOrdre(const QDateTime& date)
{
    Passage p;
    p.date = date;
    return p;
}

} // namespace

DemoCounts WriteDemoTables(const QString& folder)
{
    if (!QDir().mkpath(folder))
        throw CordalisError(QStringLiteral("Impossible de créer le dossier %1.").arg(folder));
    DemoCounts counts;
    counts.fournisseurs = WriteFournis(folder);
    counts.remises = WriteRemises(folder);
    counts.perso = WritePerso(folder);
    WriteMessages(folder, counts);
    WriteDocuments(folder, counts);
    return counts;
}

DemoCounts WriteDemoReports(const QString& folder, const QDate& today)
{
    const QString historique = QDir(folder).filePath(QStringLiteral("Historique"));
    if (!QDir().mkpath(historique))
        throw CordalisError(QStringLiteral("Impossible de créer le dossier %1.").arg(historique));

    // The run of the night, a few days back.
    const auto nuit = [&](int joursAvant, int heure = 2) {
        return QDateTime(today.addDays(-joursAvant), QTime(heure, 17 + joursAvant % 40, 5));
    };

    struct Franchise
    {
        QString nom;
        Passage dernier;
        int fichierJoursAvant = -1; // the file's date when it differs from the report's
        bool illisible = false;
        int historique = 10; // runs in the history, 0 for none
    };
    QList<Franchise> franchises;

    franchises.append({QStringLiteral("Magasin Lyon Part-Dieu"), EnOrdre(nuit(0))});
    franchises.append({QStringLiteral("Magasin Nantes"), EnOrdre(nuit(1))});
    {
        // In order: the messages of a section in order are not shown.
        Passage p = EnOrdre(nuit(0, 3));
        p.sections[1].messages = {T("Tarifs déjà à jour")};
        franchises.append({QStringLiteral("Magasin Lille"), p});
    }
    {
        Passage p = EnOrdre(nuit(0));
        p.sections[1].etat = 2;
        p.sections[1].messages = {T("Tarifs : fichier remise_achat.xml incomplet"),
                                  T("Documents : mes_docs.xml introuvable sur le serveur")};
        franchises.append({QStringLiteral("Magasin Bordeaux"), p});
    }
    franchises.append({QStringLiteral("Magasin Rennes"), EnOrdre(nuit(5))});
    {
        Passage p = EnOrdre(nuit(12));
        p.sections[0].etat = 1;
        p.sections[0].messages = {T("Connexion au serveur refusée (mot de passe expiré)")};
        p.sections[2].etat = 3;
        p.sections[2].messages = {T("Base Quillfen verrouillée par un autre poste"),
                                  T("Personnalisation des modèles non appliquée"),
                                  T("Espace disque insuffisant sur C:")};
        franchises.append({QStringLiteral("Magasin Toulouse"), p, -1, false, 14});
    }
    // A report dated today left in a file of ten days ago: out of date all the same.
    franchises.append({QStringLiteral("Magasin Grenoble"), EnOrdre(nuit(0)), 10});
    {
        Passage p = EnOrdre(nuit(0));
        p.sections[1].etat = -1;
        p.sections[1].messages = {T("État de la section non renseigné")};
        franchises.append({QStringLiteral("Magasin Dijon"), p});
    }
    franchises.append({QStringLiteral("Magasin Strasbourg"), EnOrdre(nuit(0)), -1, true, 6});
    franchises.append({QStringLiteral("Magasin Montpellier"), EnOrdre(nuit(0, 4))});
    franchises.append({QStringLiteral("Magasin Nice"), EnOrdre(nuit(2))});
    {
        Passage p = EnOrdre(nuit(1));
        p.sections[0].etat = 1;
        franchises.append({QStringLiteral("Magasin Reims"), p, -1, false, 0});
    }

    DemoCounts counts;
    int rang = 0;
    for (const Franchise& f : franchises) {
        const QString chemin = QDir(folder).filePath(f.nom + QStringLiteral(".xml"));
        const QDateTime heureFichier = f.fichierJoursAvant >= 0
                                           ? nuit(f.fichierJoursAvant).addSecs(60)
                                           : f.dernier.date.addSecs(60);
        QString contenu = Entete + PassageXml(f.dernier, QStringLiteral("Velmora"), QString());
        if (f.illisible)
            contenu = contenu.left(contenu.size() / 2); // cut short, as by a broken upload
        Ecrire(chemin, contenu, heureFichier);
        ++counts.rapports;

        if (f.historique <= 0)
            continue;
        // One run per night, the latest first; now and then a night in trouble.
        QString xml = Entete + QStringLiteral("<Velmora>\n");
        const int premierJour = f.dernier.date.date().daysTo(today);
        for (int i = 0; i < f.historique; ++i) {
            Passage p = i == 0 && !f.illisible ? f.dernier : EnOrdre(nuit(premierJour + i));
            if (i > 0 && (i + rang) % 4 == 0) {
                p.sections[i % 3].etat = 1 + i % 2;
                p.sections[i % 3].messages = {
                    T("Téléchargement interrompu, reprise la nuit suivante"),
                    T("Fichier message.xml reçu partiellement")};
            }
            xml += PassageXml(p, QStringLiteral("Item"), QStringLiteral("  "));
        }
        xml += QStringLiteral("</Velmora>\n");
        Ecrire(QDir(historique).filePath(f.nom + QStringLiteral(".xml")), xml, heureFichier);
        ++counts.historiques;
        ++rang;
    }
    return counts;
}

void WriteDemoSettings(const QString& iniFile, const QString& aliasFolder, const QString& target,
                       const DemoServers& servers)
{
    TIniFile ini(iniFile);
    const QString cordalis = QStringLiteral("Cordalis");
    for (const char* cle : {"Remise_Achat", "Personnalisation", "Message", "Document"})
        ini.WriteBool(cordalis, QString::fromLatin1(cle), true);
    if (ini.ReadString(cordalis, QStringLiteral("TypeEnvoi"), QString()).isEmpty())
        ini.WriteString(cordalis, QStringLiteral("TypeEnvoi"), QStringLiteral("URI"));
    QString cible = QDir::cleanPath(target);
    if (!cible.endsWith(QLatin1Char('/')))
        cible += QLatin1Char('/');
    ini.WriteString(QStringLiteral("Cordalis_URI"), QStringLiteral("URI"), cible);
    ini.WriteString(QStringLiteral("Alias"), QStringLiteral("QuillfenAdministration"), aliasFolder);

    const auto serveur = [&](const QString& section, int port, const char* login, const char* mdp) {
        ini.WriteString(section, QStringLiteral("Host"), QStringLiteral("127.0.0.1"));
        ini.WriteInteger(section, QStringLiteral("Port"), port);
        ini.WriteString(section, QStringLiteral("Login"), QString::fromLatin1(login));
        ini.WriteString(section, QStringLiteral("Mdp"), QString::fromLatin1(mdp));
    };
    serveur(QStringLiteral("Cordalis_FTP"), servers.ftpPort, DemoFtpLogin, DemoFtpPassword);
    serveur(QStringLiteral("Cordalis_Rapport"), servers.rapportPort, DemoRapportLogin,
            DemoRapportPassword);
}
