#include "Artwork.h"

#include <QFile>

// The artwork lives in a static library, and nothing would pull its registration into a program, so
// register it before the first look-up. Outside any namespace, as Q_INIT_RESOURCE requires.
static void RegisterArtwork() {
    static const bool registered = [] {
        Q_INIT_RESOURCE(vantrex);
        return true;
    }();
    (void)registered; // only the one-time initialisation matters
}

QString ArtworkPath(ArtworkKind kind, int id) {
    RegisterArtwork();
    const char* folder = kind == ArtworkKind::Bitmap ? "bitmap" : "icon";
    return QStringLiteral(":/vantrex/%1/%2").arg(QLatin1String(folder)).arg(id);
}

QPixmap LoadBitmapResource(int id) {
    return QPixmap(ArtworkPath(ArtworkKind::Bitmap, id), "BMP");
}

QIcon LoadIconResource(int id) {
    const QString path = ArtworkPath(ArtworkKind::Icon, id);
    // QIcon accepts a missing file and then still claims sizes, so check first.
    return QFile::exists(path) ? QIcon(path) : QIcon();
}
