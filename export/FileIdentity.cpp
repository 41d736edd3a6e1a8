#include "FileIdentity.h"

#include <QFile>
#include <sys/stat.h>

namespace {
// Modification times come from a clock that advances in ticks of a few milliseconds; one
// second is far beyond any tick and still costs nothing for files that are not being edited.
constexpr long long MargeStabiliteNs = 1'000'000'000LL;

long long EnNanosecondes(const timespec& t)
{
    return static_cast<long long>(t.tv_sec) * 1'000'000'000LL + t.tv_nsec;
}
} // namespace

IdentiteFichier IdentiteFichier::De(const QString& chemin)
{
    return De(QFile::encodeName(chemin));
}

IdentiteFichier IdentiteFichier::De(const QByteArray& cheminNatif)
{
    IdentiteFichier identite;
    struct stat etat;
    if (::stat(cheminNatif.constData(), &etat) != 0)
        return identite;
    identite.Existe = true;
    identite.Peripherique = etat.st_dev;
    identite.Inode = etat.st_ino;
    identite.Taille = etat.st_size;
    identite.Modification = etat.st_mtim;
    return identite;
}

bool IdentiteFichier::operator==(const IdentiteFichier& autre) const
{
    if (Existe != autre.Existe)
        return false;
    if (!Existe)
        return true;
    return Peripherique == autre.Peripherique && Inode == autre.Inode && Taille == autre.Taille &&
           Modification.tv_sec == autre.Modification.tv_sec &&
           Modification.tv_nsec == autre.Modification.tv_nsec;
}

bool IdentiteFichier::StableAvant(const timespec& instant) const
{
    if (!Existe)
        return true;
    return EnNanosecondes(Modification) + MargeStabiliteNs < EnNanosecondes(instant);
}

timespec MaintenantSysteme()
{
    timespec maintenant{};
    clock_gettime(CLOCK_REALTIME, &maintenant);
    return maintenant;
}
